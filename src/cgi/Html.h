// Markup that may go into a page as it stands.
//
// Send takes nothing else: a page is made of the program's own literal
// markup, of values that went through the escaper of their context
// (cgi/Escape.h) and of pieces joined from these. A std::string does not
// convert, so a value cannot reach a page unescaped by being forgotten.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace vd {

class Html {
public:
    Html() = default;
    // Markup written into the program: a string literal converts, a
    // std::string or a char pointer does not.
    template <std::size_t N>
    Html(const char (&markup)[N]) : text_(markup) {}
    // A char buffer is data, not markup.
    template <std::size_t N>
    Html(char (&buffer)[N]) = delete;

    std::string_view View() const { return text_; }
    bool Empty() const { return text_.empty(); }

    Html& operator+=(const Html& more) {
        text_ += more.text_;
        return *this;
    }
    template <std::size_t N>
    Html& operator+=(const char (&markup)[N]) {
        text_ += markup;
        return *this;
    }

    friend Html operator+(Html left, const Html& right) { return std::move(left += right); }
    template <std::size_t N>
    friend Html operator+(Html left, const char (&markup)[N]) {
        return std::move(left += markup);
    }
    template <std::size_t N>
    friend Html operator+(const char (&markup)[N], Html right) {
        right.text_.insert(0, markup);
        return right;
    }
    template <std::size_t N>
    Html& operator+=(char (&buffer)[N]) = delete;
    template <std::size_t N>
    friend Html operator+(Html, char (&buffer)[N]) = delete;
    template <std::size_t N>
    friend Html operator+(char (&buffer)[N], Html) = delete;

private:
    // Only the escapers make markup out of other text (cgi/Escape.cpp),
    // and RawXmpText, the one unescaped conversion: the fallback page's
    // text inside its XMP block, shown as written. It is declared for use
    // in cgi/MessagePages.cpp alone.
    explicit Html(std::string text) : text_(std::move(text)) {}
    friend Html HtmlText(std::string_view text);
    friend Html HtmlQuoted(std::string_view value);
    friend Html HtmlBare(std::string_view value);
    friend Html HtmlNumber(long long number);
    friend Html RawXmpText(std::string_view text);

    std::string text_;
};

}  // namespace vd
