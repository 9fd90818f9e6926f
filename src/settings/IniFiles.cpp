// The INI reader: every read of an INI file in one run goes through one
// cached copy of its text, read again when the file changed on disk.
#include "settings/IniFiles.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/ProcessState.h"
#include "base/TextUtil.h"
#include "settings/IniText.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace ini {

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The section name of a header line (a line without its LF), or nothing.
std::optional<std::string_view> SectionOf(std::string_view text) {
    std::string_view t = TrimView(text);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    size_t close = t.find(']');
    if (close != std::string_view::npos) t = t.substr(0, close);
    return TrimView(t);
}

// The key of an entry line, or nothing; the value (blanks stripped, quotes
// not) goes to *value.
std::optional<std::string_view> KeyOf(std::string_view text, std::string_view* value) {
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view key = TrimView(text.substr(0, eq));
    if (key.empty()) return std::nullopt;
    if (value) *value = TrimView(text.substr(eq + 1));
    return key;
}

std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

size_t LineEnd(std::string_view text, size_t from) {
    const void* nl = std::memchr(text.data() + from, '\n', text.size() - from);
    return nl ? static_cast<size_t>(static_cast<const char*>(nl) - text.data()) : text.size();
}


// Finds the next header line starting at or after from. begin is where the
// file's lines start (after a byte order mark). Only the "[" characters are
// looked at: one starts a header when nothing but blanks stands before it
// on its line.
bool NextHeader(std::string_view text, size_t begin, size_t from, Header& header) {
    const char* base = text.data();
    const size_t end = text.size();
    while (from < end) {
        const void* hit = std::memchr(base + from, '[', end - from);
        if (!hit) return false;
        const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - base);
        size_t start = at;
        while (start > begin && IsBlank(base[start - 1])) --start;
        if (start == begin || base[start - 1] == '\n') {
            const size_t le = LineEnd(text, at);
            header.line = start;
            header.body = le < end ? le + 1 : end;
            header.name = *SectionOf(text.substr(start, le - start));
            return true;
        }
        from = at + 1;
    }
    return false;
}

size_t TextBegin(std::string_view text) { return text.substr(0, 3) == ByteOrderMark ? 3 : 0; }

bool ReadAll(int fd, size_t sizeHint, FileText& out) {
    size_t capacity = sizeHint + 1;
    out.data.reset(new char[capacity]);
    out.size = 0;
    for (;;) {
        if (out.size == capacity) {  // the file grew since it was measured
            capacity = capacity * 2 + 4096;
            std::unique_ptr<char[]> bigger(new char[capacity]);
            std::memcpy(bigger.get(), out.data.get(), out.size);
            out.data = std::move(bigger);
        }
        ssize_t n = read(fd, out.data.get() + out.size, capacity - out.size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        out.size += static_cast<size_t>(n);
    }
}

std::string Clean(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
    return out;
}

bool HasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

std::string_view LineStyle(std::string_view content) {
    size_t nl = content.find('\n');
    if (nl == std::string_view::npos) return "\r\n";
    return nl > 0 && content[nl - 1] == '\r' ? "\r\n" : "\n";
}

std::string FolderOf(const std::string& file) {
    auto slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

std::string BaseOf(const std::string& file) {
    auto slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}


std::string ResolveLinks(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st{};
        if (lstat(p.c_str(), &st) != 0) return errno == ENOENT ? p : std::string();
        if (!S_ISLNK(st.st_mode)) return p;
        char target[PATH_MAX];
        ssize_t n = readlink(p.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof target) {
            if (n >= 0) errno = ENAMETOOLONG;
            return "";
        }
        std::string t(target, static_cast<size_t>(n));
        p = t.front() == '/' ? t : FolderOf(p) + "/" + t;
    }
    errno = ELOOP;
    return "";
}

}  // namespace ini

namespace {

using namespace ini;

// One file as read: its text, and the headers found so far, in file order.
struct IniFile {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    FileText read;
    std::string_view text;
    size_t begin = 0;
    std::vector<Header> headers;
    size_t scan = 0;       // where the search for headers goes on
    bool scanned = false;  // every header is known
    size_t last = SIZE_MAX;  // the section found last

    void Reset(FileText content, const struct stat& st) {
        *this = IniFile{};
        exists = true;
        dev = st.st_dev;
        ino = st.st_ino;
        size = st.st_size;
        mtime = st.st_mtim;
        read = std::move(content);
        text = read.View();
        begin = scan = TextBegin(text);
    }

    bool Same(const struct stat& st) const {
        return exists && dev == st.st_dev && ino == st.st_ino && size == st.st_size &&
               mtime.tv_sec == st.st_mtim.tv_sec && mtime.tv_nsec == st.st_mtim.tv_nsec;
    }

    bool FindMore() {
        if (scanned) return false;
        Header h;
        if (!NextHeader(text, begin, scan, h)) {
            scanned = true;
            return false;
        }
        headers.push_back(h);
        scan = h.body;
        return true;
    }

    std::string_view Body(size_t i) {
        while (i + 1 >= headers.size() && FindMore()) {}
        const size_t end = i + 1 < headers.size() ? headers[i + 1].line : text.size();
        return text.substr(headers[i].body, end - headers[i].body);
    }

    // The lines of the first section of that name.
    std::optional<std::string_view> Section(std::string_view name) {
        if (last < headers.size() && EqualsNoCase(headers[last].name, name)) return Body(last);
        for (size_t i = 0;; ++i) {
            if (i == headers.size() && !FindMore()) return std::nullopt;
            if (EqualsNoCase(headers[i].name, name)) {
                last = i;
                return Body(i);
            }
        }
    }
};

// The files read so far, by path.
struct IniCache {
    std::map<std::string, IniFile, std::less<>> files;
};

std::map<std::string, IniFile, std::less<>>& Cache() { return ProcessState::Of<IniCache>().files; }

// A file that is there but cannot be read, named as the one being read.
[[noreturn]] void Unreadable(const std::string& file, const RunError& failure) {
    Doing doing("reading " + file);
    throw failure;
}

// A missing file (or folder on its path) reads as empty; one that is there
// but cannot be read (no permission, a folder in its place) is a failure.
IniFile& Load(const std::string& file) {
    IniFile& ini = Cache()[file];
    struct stat st{};
    if (stat(file.c_str(), &st) != 0) {
        const int err = errno;
        ini = IniFile{};
        if (err == ENOENT || err == ENOTDIR) return ini;
        Unreadable(file, FileError(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ini = IniFile{};
        Unreadable(file, RunError(Err::PathFileAccess));
    }
    if (ini.Same(st)) return ini;
    ini = IniFile{};
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Unreadable(file, FileError(errno));
    FileText content;
    struct stat fst{};
    bool ok = fstat(fd, &fst) == 0 && ReadAll(fd, static_cast<size_t>(fst.st_size), content);
    const int err = errno;
    close(fd);
    if (!ok) Unreadable(file, FileError(err));
    ini.Reset(std::move(content), fst);
    return ini;
}

}  // namespace

void ForgetIniText(const std::string& file) { Cache().erase(file); }

std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          size_t bufferSize) {
    IniFile& ini = Load(file);
    auto body = ini.Section(section);
    if (!body) return "";
    std::string_view found;
    ForEachEntry(*body, [&](std::string_view k, std::string_view v) {
        if (!EqualsNoCase(k, key)) return false;
        found = StripQuotes(v);
        return true;
    });
    const size_t max = bufferSize > 0 ? bufferSize - 1 : 0;
    return std::string(found.substr(0, max));
}

std::vector<std::string> ReadIniKeys(const std::string& file, const std::string& section) {
    std::vector<std::string> keys;
    IniFile& ini = Load(file);
    auto body = ini.Section(section);
    if (!body) return keys;
    ForEachEntry(*body, [&](std::string_view k, std::string_view) {
        for (const auto& seen : keys)
            if (EqualsNoCase(seen, k)) return false;
        keys.emplace_back(k);
        return false;
    });
    return keys;
}

bool HasIniSection(const std::string& file, const std::string& section) {
    return Load(file).Section(section).has_value();
}

std::optional<std::string> IniSectionProblem(std::string_view section) {
    if (section.empty()) return "a section name cannot be empty";
    if (HasLineBreakOrNul(section)) return "a section name cannot hold a line break or NUL";
    if (IsBlank(section.front()) || IsBlank(section.back())) return "a section name cannot begin or end with a blank";
    if (section.find(']') != section.npos) return "a section name cannot hold \"]\"";
    return std::nullopt;
}

std::optional<std::string> IniKeyProblem(std::string_view key) {
    if (key.empty()) return "a key cannot be empty";
    if (HasLineBreakOrNul(key)) return "a key cannot hold a line break or NUL";
    if (IsBlank(key.front()) || IsBlank(key.back())) return "a key cannot begin or end with a blank";
    if (key.find('=') != key.npos) return "a key cannot hold \"=\"";
    if (key.front() == '[') return "a key cannot begin with \"[\"";
    return std::nullopt;
}

std::string_view IniFileText(const std::string& file) { return Load(file).text; }

std::vector<IniKeyChange> IniEntries(std::string_view text) {
    std::vector<IniKeyChange> entries;
    std::vector<std::string_view> seen;
    const size_t begin = TextBegin(text);
    Header h;
    bool have = NextHeader(text, begin, begin, h);
    while (have) {
        Header next;
        const bool haveNext = NextHeader(text, begin, h.body, next);
        bool repeated = false;
        for (auto name : seen) repeated = repeated || EqualsNoCase(name, h.name);
        if (!repeated) {
            seen.push_back(h.name);
            const size_t first = entries.size();
            ForEachEntry(text.substr(h.body, (haveNext ? next.line : text.size()) - h.body),
                         [&](std::string_view key, std::string_view value) {
                             for (size_t i = first; i < entries.size(); ++i)
                                 if (EqualsNoCase(entries[i].Key, key)) return false;
                             entries.push_back({std::string(h.name), std::string(key), std::nullopt,
                                                std::string(StripQuotes(value))});
                             return false;
                         });
        }
        h = next;
        have = haveNext;
    }
    return entries;
}

bool ReadDocTypeFlag(const std::string& file, const std::string& appl, const std::string& docType,
                     const std::string& key) {
    std::string section = appl + "VDW" + docType;
    bool on = UCase(ReadIniString(file, section, key)) == "TRUE";
    DebugLog(key + (on ? "=TRUE (" : "=FALSE (") + section + ")");
    return on;
}

std::string FollowFileLinks(const std::string& path) {
    std::string target = ResolveLinks(path);
    return target.empty() ? path : target;
}

std::string SettingsFolderOf(const std::string& file) { return FolderOf(FollowFileLinks(file)); }

}  // namespace vd