#include "base/TextUtil.h"

#include "base/RunError.h"

#include <algorithm>
#include <cstring>

namespace vd {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
}  // namespace

std::string UCase(std::string_view text) {
    std::string out(text);
    for (auto& c : out) c = Upper(c);
    return out;
}

std::string LCase(std::string_view text) {
    std::string out(text);
    for (auto& c : out) c = Lower(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
    if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
    if (hay.size() < needle.size() || from > hay.size()) return std::string_view::npos;
    if (needle.size() == 1 && Lower(needle[0]) == Upper(needle[0])) return hay.find(needle[0], from);
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        if (Lower(hay[i]) != Lower(needle[0])) continue;
        if (EqualsNoCase(hay.substr(i, needle.size()), needle)) return i;
    }
    return std::string_view::npos;
}

std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement) {
    if (find.empty()) Raise(Err::InvalidCall);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = FindNoCase(text, find, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(replacement);
        pos = hit + find.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string_view TakeToken(std::string_view& text, std::string_view delimiter) {
    size_t hit = FindNoCase(text, delimiter);
    if (hit == std::string_view::npos) {
        std::string_view all = text;
        text = {};
        return all;
    }
    std::string_view token = text.substr(0, hit);
    text.remove_prefix(hit + delimiter.size());
    return token;
}

std::string TakeToken(std::string& text, std::string_view delimiter) {
    std::string_view view(text);
    std::string token(TakeToken(view, delimiter));
    text = std::string(view);
    return token;
}

std::string AnsiBufferToText(const std::vector<char>& buffer) {
    auto nul = std::find(buffer.begin(), buffer.end(), '\0');
    if (nul == buffer.end()) Raise(Err::InvalidCall);
    return std::string(buffer.begin(), nul);
}

namespace {
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }
}  // namespace

bool HasControlBytes(std::string_view text) {
    for (char c : text)
        if (IsControl(c)) return true;
    return false;
}

std::string ShowControlBytes(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (!IsControl(c)) {
            out.push_back(c);
            continue;
        }
        const auto b = static_cast<unsigned char>(c);
        out += "\\x";
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 15]);
    }
    return out;
}

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return std::string(text.substr(b, e - b));
}

}  // namespace vd
