// The text of an INI file as the program reads it (lines, section headers,
// entries), a file's bytes as read and the paths around it: what the reader,
// the rewriter and the commit of an edit share.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vd::ini {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimView(std::string_view s);
// The section name of a header line (a line without its LF), or nothing.
std::optional<std::string_view> SectionOf(std::string_view text);
// The key of an entry line, or nothing; the value (blanks stripped, quotes
// not) goes to *value.
std::optional<std::string_view> KeyOf(std::string_view text, std::string_view* value = nullptr);
std::string_view StripQuotes(std::string_view v);
size_t LineEnd(std::string_view text, size_t from);

// A section header: where its line starts, where the lines after it start,
// and its name (a view into the file's text).
struct Header {
    size_t line = 0;
    size_t body = 0;
    std::string_view name;
};

// Finds the next header line starting at or after from (see IniFiles.cpp).
bool NextHeader(std::string_view text, size_t begin, size_t from, Header& header);
// Where the file's lines start: after a byte order mark.
size_t TextBegin(std::string_view text);

// A file's bytes as read, without the cost of clearing the buffer first.
struct FileText {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    std::string_view View() const { return {data.get(), size}; }
};

// Reads the whole file from fd; false with errno set on failure.
bool ReadAll(int fd, size_t sizeHint, FileText& out);

// Calls f(text, key, value) for each entry line of a section's lines until
// it returns true.
template <class F>
void ForEachEntry(std::string_view body, F f) {
    size_t pos = 0;
    while (pos < body.size()) {
        const size_t le = LineEnd(body, pos);
        std::string_view value;
        if (auto key = KeyOf(body.substr(pos, le - pos), &value))
            if (f(*key, value)) return;
        pos = le + 1;
    }
}

// The text without CR, LF and NUL.
std::string Clean(std::string_view s);
bool HasLineBreakOrNul(std::string_view s);
// The file's line end: that of its first line, CR LF for a file without one.
std::string_view LineStyle(std::string_view content);

std::string FolderOf(const std::string& file);
std::string BaseOf(const std::string& file);
// The path with the file's own symbolic links followed; errno set and ""
// when a link cannot be read or they loop.
std::string ResolveLinks(const std::string& path);

}  // namespace vd::ini
