// Small text operations shared by the request intake, the grids and the pages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vd {

// Replaces every occurrence of find (compared without regard to case).
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement);

// Returns the text before the first delimiter and removes it and the
// delimiter from text; without a delimiter returns the whole text and
// leaves it empty.
std::string TakeToken(std::string& text, std::string_view delimiter);

// The same on a view, for linear scans: the view loses the token.
std::string_view TakeToken(std::string_view& text, std::string_view delimiter);

// The bytes up to the first NUL; a buffer without NUL is failure 5.
std::string AnsiBufferToText(const std::vector<char>& buffer);

// ASCII case folding (characters are bytes).
std::string UCase(std::string_view text);
std::string LCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Position of needle in hay without regard to case, or npos.
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from = 0);

// Removes blanks from both ends (VB Trim: blanks only).
std::string Trim(std::string_view text);

// True when the text holds a control byte (below blank, or DEL).
bool HasControlBytes(std::string_view text);
// The text with every control byte written visibly as \xNN, so that a
// line of a log or a terminal stays the line it is.
std::string ShowControlBytes(std::string_view text);

}  // namespace vd
