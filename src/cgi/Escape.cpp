#include "cgi/Escape.h"

#include <array>
#include <string>
#include <utility>

namespace vd {

namespace {

// The reference of each character that a rule escapes; "" for the others.
using Rule = std::array<std::string_view, 256>;
using Reference = std::pair<char, std::string_view>;

constexpr Reference TextReferences[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\'', "&#39;"}};
// What else ends an attribute value without quotes, or starts another one.
constexpr Reference BareReferences[] = {{' ', "&#32;"}, {'\t', "&#9;"},  {'\n', "&#10;"}, {'\r', "&#13;"},
                                        {'\f', "&#12;"}, {'=', "&#61;"}, {'`', "&#96;"}};

constexpr Rule MakeRule(bool bare) {
    Rule rule{};
    for (const auto& [c, reference] : TextReferences) rule[static_cast<unsigned char>(c)] = reference;
    if (bare)
        for (const auto& [c, reference] : BareReferences) rule[static_cast<unsigned char>(c)] = reference;
    return rule;
}

constexpr Rule Text = MakeRule(false);
constexpr Rule Bare = MakeRule(true);

// Appends text to out, each character the rule names as its reference; the
// runs between them are copied whole.
void Escape(std::string& out, std::string_view text, const Rule& rule) {
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const std::string_view reference = rule[static_cast<unsigned char>(text[i])];
        if (reference.empty()) continue;
        out.append(text.data() + run, i - run);
        out += reference;
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
}

std::string Escaped(std::string_view text, const Rule& rule, size_t extra = 0) {
    std::string out;
    out.reserve(text.size() + extra);
    Escape(out, text, rule);
    return out;
}

}  // namespace

Html HtmlText(std::string_view text) { return Html(Escaped(text, Text)); }

Html HtmlQuoted(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    Escape(out, value, Text);
    out += '"';
    return Html(std::move(out));
}

Html HtmlBare(std::string_view value) { return Html(Escaped(value, Bare)); }

Html HtmlNumber(long long number) { return Html(std::to_string(number)); }


Html HiddenInput(std::string_view name, std::string_view value, Quoting quoting) {
    return "<input type=hidden name=" + HtmlBare(name) + " value=" +
           (quoting == Quoting::Quoted ? HtmlQuoted(value) : HtmlBare(value)) + ">";
}

Html OptionTag(std::string_view value, std::string_view text, bool selected) {
    return "<option value=" + HtmlBare(value) + (selected ? Html(" SELECTED>") : Html(">")) + HtmlText(text);
}

// The text rule escapes the single quote too.
Html SelectTag(std::string_view name, std::string_view id) {
    if (id.empty()) return "<select name='" + HtmlText(name) + "'>";
    return "<select name='" + HtmlText(name) + "' id='" + HtmlText(id) + "'>";
}

Html TextArea(std::string_view name, int rows, int cols, std::string_view text, std::string_view id) {
    const Html named = id.empty() ? HtmlBare(name) : HtmlBare(name) + " id=" + HtmlBare(id);
    return "<textarea name=" + named + " rows=" + HtmlNumber(rows) + " cols=" + HtmlNumber(cols) + ">" +
           HtmlText(text) + "</textarea>";
}

Html Link(std::string_view address, const Html& text) {
    return "<A HREF=" + HtmlQuoted(address) + ">" + text + "</A>";
}

Html SubmitButton(std::string_view name, std::string_view value) {
    return R"(<INPUT TYPE="SUBMIT" NAME=)" + HtmlQuoted(name) + " VALUE=" + HtmlQuoted(value) + ">";
}

}  // namespace vd
