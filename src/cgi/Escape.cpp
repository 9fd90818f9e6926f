#include "cgi/Escape.h"

namespace vd {

namespace {
std::string Escape(std::string_view text, bool bare) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case ' ': bare ? out += "&#32;" : out += c; break;
        case '\t': bare ? out += "&#9;" : out += c; break;
        case '\n': bare ? out += "&#10;" : out += c; break;
        case '\r': bare ? out += "&#13;" : out += c; break;
        case '\f': bare ? out += "&#12;" : out += c; break;
        case '=': bare ? out += "&#61;" : out += c; break;
        case '`': bare ? out += "&#96;" : out += c; break;
        default: out += c;
        }
    }
    return out;
}
}  // namespace

std::string HtmlText(std::string_view text) { return Escape(text, false); }
std::string HtmlAttr(std::string_view text) { return Escape(text, false); }
std::string HtmlBareAttr(std::string_view text) { return Escape(text, true); }

}  // namespace vd
