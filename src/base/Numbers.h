// Numbers read from form fields and written into pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vd {

// The value of the text's leading number: blanks, tabs and line feeds
// anywhere are ignored; sign, decimal point and exponent are read; reading
// stops at the first character that cannot continue the number ("1,5" is 1).
// A text without a leading number gives 0. "&H" and "&O" prefixes read hex
// and octal.
double Val(std::string_view text);

// The number that the whole text is, blanks, tabs and line breaks around it
// aside: a sign, digits with at most one decimal point (a point), an
// exponent ("1.5", "-2", ".5", "1e3"). Nothing when the text is anything
// else ("$2.00", "1,50", "12 searches", "1.5.0", "1 000"), or when the
// number is too large for a double. An empty text is no number either.
std::optional<double> NumberAsTyped(std::string_view text);

// Rounds to the nearest whole number, halves to even; a value outside
// -32768..32767 is failure 6 "Overflow".
std::int16_t CInt(double value);

// Same range rule for 32-bit integers.
std::int32_t CLng(double value);

// A number in its ordinary decimal form (1, -1, 1.5, 0.25).
std::string NumberText(double value);

}  // namespace vd
