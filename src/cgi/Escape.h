// Escaping of data at the point it enters a page.
//
// Every value that comes from the request, a database or an INI file goes
// through one of these; the templates and the program's literal texts do not.
#pragma once

#include <string>
#include <string_view>

namespace vd {

// Text between tags (and inside a textarea): & < > " ' as references.
std::string HtmlText(std::string_view text);

// A quoted attribute value: the same five characters.
std::string HtmlAttr(std::string_view text);

// An attribute value written without quotes (value=, NAME=, action=): also
// blanks, tabs, line ends, "=" and "`", so a value cannot end the attribute
// or add one. Ordinary values (no such characters) come out unchanged.
std::string HtmlBareAttr(std::string_view text);

}  // namespace vd
