#include "cgi/Request.h"

#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/ProcessState.h"
#include "base/RunError.h"
#include "base/TextUtil.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <unordered_map>

extern char** environ;

namespace vd {

namespace {

struct FieldTable {
    std::unordered_map<std::string, std::vector<std::string>> values;  // by lower-case name
    std::unordered_map<std::string, std::vector<FieldSource>> sources;  // beside each value
    std::vector<std::string> names;                                    // as first written
    FieldSource adding = FieldSource::Program;                         // where the fields being stored come from
    // The body is read after the query string and the cookies, but its
    // fields stand before theirs, as if it had come first: its names go in
    // at bodyNames, its values before the first value of a later source.
    size_t bodyNames = 0;
};

FieldTable& Fields() { return ProcessState::Of<FieldTable>(); }
FieldSource& Adding() { return Fields().adding; }

// A name the body brings first goes after the names of the environment and
// the body before it, spelt as the body spells it; the query string or the
// cookies may have brought it already.
void PlaceBodyName(FieldTable& table, const std::string& key, const std::string& name) {
    auto& names = table.names;
    const auto slot = names.begin() + static_cast<std::ptrdiff_t>(table.bodyNames++);
    auto earlier = std::find_if(slot, names.end(), [&](const std::string& n) { return LCase(n) == key; });
    if (earlier == names.end()) {
        names.insert(slot, name);
        return;
    }
    *earlier = name;
    std::rotate(slot, earlier, earlier + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Stores the pairs of a text without copying what is left of it each time.
void ParseView(std::string_view text, std::string_view separator, FieldSource source) {
    Adding() = source;
    while (!text.empty()) {
        std::string_view piece = TakeToken(text, separator);
        std::string_view name = TakeToken(piece, "=");
        if (name.empty()) continue;  // an empty piece or "=value": no name
        StoreField(UrlDecode(name), UrlDecode(piece));
    }
    Adding() = FieldSource::Program;
}

}  // namespace

std::string EnvValue(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

const std::vector<std::string>& FieldValues(std::string_view name) {
    static const std::vector<std::string> none;
    auto it = Fields().values.find(LCase(name));
    return it == Fields().values.end() ? none : it->second;
}

void StoreField(const std::string& name, std::string value) {
    if (name.empty()) return;
    FieldTable& table = Fields();
    auto [it, fresh] = table.values.try_emplace(LCase(name));
    auto& sources = table.sources[it->first];
    if (table.adding != FieldSource::Body) {
        if (fresh) table.names.push_back(name);
        it->second.push_back(std::move(value));
        sources.push_back(table.adding);
        return;
    }
    size_t at = 0;
    while (at < sources.size() && (sources[at] == FieldSource::Environment || sources[at] == FieldSource::Body)) ++at;
    if (at == 0) PlaceBodyName(table, it->first, name);
    it->second.insert(it->second.begin() + static_cast<std::ptrdiff_t>(at), std::move(value));
    sources.insert(sources.begin() + static_cast<std::ptrdiff_t>(at), FieldSource::Body);
}

void KeepBodyFields(std::initializer_list<std::string_view> alsoNamedElsewhere) {
    auto& table = Fields();
    for (auto& [key, sources] : table.sources) {
        bool kept = false;
        for (std::string_view name : alsoNamedElsewhere) kept = kept || key == LCase(name);
        if (kept) continue;
        auto& values = table.values[key];
        size_t out = 0;
        for (size_t i = 0; i < values.size(); ++i) {
            if (sources[i] == FieldSource::Query || sources[i] == FieldSource::Cookie) continue;
            if (out != i) {
                values[out] = std::move(values[i]);
                sources[out] = sources[i];
            }
            ++out;
        }
        values.resize(out);
        sources.resize(out);
    }
}

std::string GetField(std::string_view name) {
    const auto& values = FieldValues(name);
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += ", ";
        out += values[i];
    }
    return out;
}

std::string ServerVariables() {
    if (!environ) Raise(Err::ServerVariables, "Server could not get variables. lstrcpyn rc=0");
    std::string out;
    for (char** e = environ; *e; ++e) {
        if (**e == '\0') break;
        out += *e;
        out.push_back('\0');
    }
    return out;
}

std::string StandardIn() {
    double declared = std::nearbyint(Val(EnvValue("CONTENT_LENGTH")));
    if (declared < 0) Raise(Err::InvalidCall);
    if (declared > static_cast<double>(MaxContentLength)) Raise(Err::Overflow);
    size_t length = static_cast<size_t>(declared);
    std::string body;
    if (length == 0) return body;
    body.reserve(length);
    char block[1024];
    while (body.size() < length) {
        ssize_t n = read(STDIN_FILENO, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        body.append(block, static_cast<size_t>(n));
    }
    if (body.size() > length) body.resize(length);
    return body;
}

void ParsePairs(std::string& text, std::string_view separator) {
    ParseView(text, separator, FieldSource::Program);
    text.clear();
}

std::string UrlDecode(std::string_view textIn) {
    const std::string text = ReplaceText(textIn, "+", " ");
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        size_t pct = text.find('%', pos);
        if (pct == std::string::npos) {
            result.append(text, pos, std::string::npos);
            return result;
        }
        result.append(text, pos, pct - pos);
        if (pct + 1 < text.size() && text[pct + 1] == '%') {
            result.push_back('%');
            pos = pct + 2;
            continue;
        }
        if (pct + 2 >= text.size()) return result;  // a cut-off escape is dropped
        int hi = HexDigit(text[pct + 1]), lo = HexDigit(text[pct + 2]);
        if (hi < 0 || lo < 0) {
            DebugLog("Assign Urldecode to Textin=" + text);
            return text;
        }
        result.push_back(static_cast<char>(hi * 16 + lo));
        pos = pct + 3;
    }
}

std::string UrlEncode(std::string_view text) {
    static constexpr std::string_view special = "%&+=?<>\"#\\^[]`;";
    static const auto escaped = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 256; ++c) table[c] = c < 0x20 || c > 'z';
        for (char c : special) table[static_cast<unsigned char>(c)] = true;
        return table;
    }();
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (escaped[c]) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(ch == ' ' ? '+' : ch);
        }
    }
    return out;
}

void BackupRequest() {
    std::FILE* f = std::fopen("Request.Bak", "wb");
    if (!f) throw FileError(errno);
    for (const auto& name : Fields().names) {
        for (const auto& value : FieldValues(name)) {
            std::string line = UrlEncode(name) + "=" + UrlEncode(value) + "\r\n";
            std::fwrite(line.data(), 1, line.size(), f);
        }
    }
    std::fclose(f);
}

void LoadRequest(const std::string& programFolder) {
    if (chdir(programFolder.c_str()) != 0) {
        // The relative names used later (Request.Bak) then resolve in the
        // web server's folder; nothing else depends on it.
        DebugLog("cannot change to the program folder " + programFolder);
    }
    if (EnvValue("REQUEST_METHOD").empty()) {
        static constexpr std::string_view msg =
            "This program is a CGI script that is intended to be run by a web server.\n";
        std::fwrite(msg.data(), 1, msg.size(), stderr);
        EndRun(1);
    }
    std::string env = ServerVariables();
    ParseView(env, std::string_view("\0", 1), FieldSource::Environment);
    Fields().bodyNames = Fields().names.size();
    ParseView(EnvValue("QUERY_STRING"), "&", FieldSource::Query);
    std::string cookie = EnvValue("HTTP_COOKIE");
    if (cookie.empty()) cookie = EnvValue("COOKIE");
    if (!cookie.empty()) ParseView(cookie, "; ", FieldSource::Cookie);
}

size_t CountFields(std::string_view text, std::string_view separator, size_t atMost) {
    size_t count = 0;
    while (!text.empty() && count <= atMost) {
        std::string_view piece = TakeToken(text, separator);
        if (!piece.empty() && piece.front() != '=') ++count;
    }
    return count;
}

void LoadRequestBody() {
    const std::string body = StandardIn();
    if (CountFields(body, "&", MaxBodyFields) > MaxBodyFields) Raise(Err::Overflow);
    ParseView(body, "&", FieldSource::Body);
}

std::string FailureLineLabel() {
    const std::string option = GetField("ConfigOption"), user = GetField("User");
    std::string label;
    if (!option.empty()) label += "; ConfigOption=" + option;
    if (!user.empty()) label += (option.empty() ? "; User=" : " User=") + user;
    return label;
}

}  // namespace vd
