#include "base/Numbers.h"

#include "base/RunError.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vd {

double Val(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        long long v = 0;
        for (size_t i = 2; i < s.size(); ++i) {
            int d;
            char c = s[i];
            if (c >= '0' && c <= '9') d = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else break;
            if (d >= base) break;
            v = v * base + d;
            if (v > 0xFFFFFFFFLL) break;
        }
        return static_cast<double>(v);
    }
    // Longest prefix of the form [+-]digits[.digits][(E|D)[+-]digits].
    size_t i = 0, n = s.size();
    std::string num;
    if (i < n && (s[i] == '+' || s[i] == '-')) num.push_back(s[i++]);
    bool digits = false;
    while (i < n && s[i] >= '0' && s[i] <= '9') { num.push_back(s[i++]); digits = true; }
    if (i < n && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < n && s[i] >= '0' && s[i] <= '9') { num.push_back(s[i++]); digits = true; }
    }
    if (!digits) return 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < n && (s[j] == '+' || s[j] == '-')) exp.push_back(s[j++]);
        bool expDigits = false;
        while (j < n && s[j] >= '0' && s[j] <= '9') { exp.push_back(s[j++]); expDigits = true; }
        if (expDigits) num += exp;
    }
    double v = std::strtod(num.c_str(), nullptr);
    if (std::isinf(v)) Raise(Err::Overflow);
    return v;
}

std::optional<double> NumberAsTyped(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && digit(text[i])) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < n && digit(text[i])) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;
    const double value = std::strtod(std::string(text).c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::int16_t CInt(double value) {
    double r = std::nearbyint(value);  // default rounding mode: halves to even
    if (!(r >= -32768.0 && r <= 32767.0)) Raise(Err::Overflow);
    return static_cast<std::int16_t>(r);
}

std::int32_t CLng(double value) {
    double r = std::nearbyint(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(Err::Overflow);
    return static_cast<std::int32_t>(r);
}

std::string NumberText(double value) {
    if (value == 0) return "0";
    // The form of printf's "%.15g", without its cost: a whole number of
    // up to 15 digits is written as that integer.
    char buf[64];
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
        return std::string(buf, r.ptr);
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

}  // namespace vd
