// Shared pieces of the fuzz targets: a scratch file and the INI rules
// written out plainly, line by line, as the reference the module must agree
// with.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace vdfuzz {

// A scratch file of this process, in memory when /dev/shm exists.
inline std::string ScratchFile(const char* name) {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    return std::string(dir) + "/vdfuzz-" + std::to_string(getpid()) + "-" + name;
}

inline void WriteWhole(const std::string& path, std::string_view text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
}

inline std::string ReadWhole(const std::string& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

inline bool Blank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (Blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

inline std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) return v.substr(1, v.size() - 2);
    return v;
}

// One line split off the text: its text without the LF.
inline std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        lines.push_back(text.substr(0, nl));
        text = nl == text.npos ? std::string_view() : text.substr(nl + 1);
    }
    return lines;
}

inline bool HeaderName(std::string_view line, std::string_view& name) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[') return false;
    t.remove_prefix(1);
    name = Trim(t.substr(0, t.find(']')));
    return true;
}

inline bool Entry(std::string_view line, std::string_view& key, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == line.npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return !key.empty();
}

// The whole file parsed at once: lower-case section -> lower-case key ->
// value, and each section's keys in order; the first of a name wins.
struct Model {
    std::map<std::string, std::map<std::string, std::string>> values;
    std::map<std::string, std::vector<std::string>> order;
    std::vector<std::string> sectionNames;  // as written, every header
    std::vector<std::string> keyNames;      // as written, every entry

    explicit Model(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        std::map<std::string, std::string>* current = nullptr;
        std::vector<std::string>* keys = nullptr;
        for (std::string_view line : Lines(text)) {
            std::string_view name, key, value;
            if (HeaderName(line, name)) {
                sectionNames.emplace_back(name);
                bool fresh = !values.count(Lower(name));
                current = fresh ? &values[Lower(name)] : nullptr;
                keys = fresh ? &order[Lower(name)] : nullptr;
                continue;
            }
            if (!Entry(line, key, value)) continue;
            keyNames.emplace_back(key);
            if (current && current->emplace(Lower(key), std::string(Unquote(value))).second) keys->emplace_back(key);
        }
    }

    std::string Get(const std::string& section, const std::string& key) const {
        auto s = values.find(Lower(section));
        if (s == values.end()) return "";
        auto k = s->second.find(Lower(key));
        return k == s->second.end() ? "" : k->second.substr(0, 2039);
    }
};

}  // namespace vdfuzz
