// Escaping of data at the point it enters a page: one escaper per context,
// and the pieces of markup that the pages share, which escape what they are
// given. Every value that comes from the request, a database or an INI file
// goes through one of these; the templates and the program's literal
// markup do not.
#pragma once

#include <string_view>

#include "cgi/Html.h"

namespace vd {

// Text between tags, of an option and of a text area: & < > " ' as
// references.
Html HtmlText(std::string_view text);

// An attribute value inside double quotes, the quotes included: the same
// five characters as references.
Html HtmlQuoted(std::string_view value);

// An attribute value written without quotes (value=, NAME=, action=): also
// blanks, tabs, line ends, "=" and "`", so a value cannot end the attribute
// or add one. Ordinary values (no such characters) come out unchanged.
Html HtmlBare(std::string_view value);

// A number's decimal digits.
Html HtmlNumber(long long number);

// How a helper writes an attribute value.
enum class Quoting { Quoted, Bare };

// <input type=hidden name=NAME value="VALUE">, or value=VALUE when bare.
Html HiddenInput(std::string_view name, std::string_view value, Quoting quoting = Quoting::Quoted);

// <option value=VALUE>TEXT, with " SELECTED" after the value when selected.
Html OptionTag(std::string_view value, std::string_view text, bool selected = false);

// <select name='NAME'>, or <select name='NAME' id='ID'> with an id
Html SelectTag(std::string_view name, std::string_view id = {});

// <textarea name=NAME rows=ROWS cols=COLS>TEXT</textarea>; an id goes
// after the name (name=NAME id=ID)
Html TextArea(std::string_view name, int rows, int cols, std::string_view text, std::string_view id = {});

// <A HREF="ADDRESS">TEXT</A>
Html Link(std::string_view address, const Html& text);

// <INPUT TYPE="SUBMIT" NAME="NAME" VALUE="VALUE">
Html SubmitButton(std::string_view name, std::string_view value);

}  // namespace vd
