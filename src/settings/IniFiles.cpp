#include "settings/IniFiles.h"

#include "app/RunValues.h"
#include "cgi/DebugLog.h"
#include "cgi/Program.h"
#include "cgi/TextUtil.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace vd {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// One physical line: its text and the line end that followed it ("" for a
// last line without one).
struct Line {
    std::string text;
    std::string eol;
};

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        if (nl == std::string::npos) {
            lines.push_back({content.substr(pos), ""});
            break;
        }
        bool crlf = nl > pos && content[nl - 1] == '\r';
        size_t end = crlf ? nl - 1 : nl;
        lines.push_back({content.substr(pos, end - pos), crlf ? std::string("\r\n") : std::string("\n")});
        pos = nl + 1;
    }
    return lines;
}

// The section name of a header line, or nothing.
std::optional<std::string_view> SectionOf(std::string_view text) {
    std::string_view t = TrimView(text);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    size_t close = t.find(']');
    if (close != std::string_view::npos) t = t.substr(0, close);
    return TrimView(t);
}

// The key of a "key=value" line, or nothing.
std::optional<std::string_view> KeyOf(std::string_view text, std::string_view* value = nullptr) {
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view key = TrimView(text.substr(0, eq));
    if (key.empty()) return std::nullopt;
    if (value) *value = TrimView(text.substr(eq + 1));
    return key;
}

std::string StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// A parsed file: section -> key -> value, names folded to lower case; the
// first occurrence of a section or key wins.
struct ParsedIni {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> sections;
};

void Parse(const std::string& content, ParsedIni& ini) {
    std::unordered_map<std::string, std::string>* current = nullptr;
    std::string_view all(content);
    if (all.substr(0, 3) == "\xEF\xBB\xBF") all.remove_prefix(3);
    while (!all.empty()) {
        std::string_view line = TakeToken(all, "\n");
        if (auto sec = SectionOf(line)) {
            auto [it, fresh] = ini.sections.try_emplace(LCase(*sec));
            current = fresh ? &it->second : nullptr;  // a repeated section is ignored
            continue;
        }
        if (!current) continue;
        std::string_view value;
        if (auto key = KeyOf(line, &value)) current->try_emplace(LCase(*key), StripQuotes(value));
    }
}

bool ReadWhole(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        out.append(buf, static_cast<size_t>(n));
    }
}

std::map<std::string, ParsedIni>& Cache() {
    static std::map<std::string, ParsedIni> cache;
    return cache;
}

const ParsedIni& Load(const std::string& file) {
    ParsedIni& ini = Cache()[file];
    struct stat st{};
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        ini = ParsedIni{};
        return ini;
    }
    if (ini.exists && ini.dev == st.st_dev && ini.ino == st.st_ino && ini.size == st.st_size &&
        ini.mtime.tv_sec == st.st_mtim.tv_sec && ini.mtime.tv_nsec == st.st_mtim.tv_nsec)
        return ini;
    ini = ParsedIni{};
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ini;
    std::string content;
    struct stat fst{};
    bool ok = fstat(fd, &fst) == 0 && ReadWhole(fd, content);
    close(fd);
    if (!ok) return ini;
    Parse(content, ini);
    ini.exists = true;
    ini.dev = fst.st_dev;
    ini.ino = fst.st_ino;
    ini.size = fst.st_size;
    ini.mtime = fst.st_mtim;
    return ini;
}

std::string Clean(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
    return out;
}

// Applies the change to the file's lines.
std::string Rewrite(const std::string& content, const std::string& section, const std::string& key,
                    const std::string& value) {
    std::vector<Line> lines = SplitLines(content);
    std::string style = "\r\n";
    for (const auto& l : lines)
        if (!l.eol.empty()) { style = l.eol; break; }

    size_t sectionAt = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        auto sec = SectionOf(i == 0 && lines[i].text.rfind("\xEF\xBB\xBF", 0) == 0
                                 ? std::string_view(lines[i].text).substr(3)
                                 : std::string_view(lines[i].text));
        if (sec && EqualsNoCase(*sec, section)) { sectionAt = i; break; }
    }

    auto ensureEnded = [&](size_t i) { if (lines[i].eol.empty()) lines[i].eol = style; };

    if (sectionAt == lines.size()) {
        if (!lines.empty()) {
            ensureEnded(lines.size() - 1);
            if (!TrimView(lines.back().text).empty()) lines.push_back({"", style});
        }
        lines.push_back({"[" + section + "]", style});
        lines.push_back({key + "=" + value, style});
    } else {
        size_t end = sectionAt + 1;
        size_t lastContent = sectionAt;
        bool replaced = false;
        for (; end < lines.size(); ++end) {
            if (SectionOf(lines[end].text)) break;
            if (!TrimView(lines[end].text).empty()) lastContent = end;
            auto k = KeyOf(lines[end].text);
            if (k && EqualsNoCase(*k, key)) {
                lines[end].text = std::string(*k) + "=" + value;  // the stored spelling of the key stays
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            ensureEnded(lastContent);
            lines.insert(lines.begin() + static_cast<long>(lastContent) + 1, Line{key + "=" + value, style});
        }
    }
    std::string out;
    out.reserve(content.size() + key.size() + value.size() + 16);
    for (const auto& l : lines) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& file) {
    auto slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// An open file descriptor that closes itself.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() { if (fd >= 0) close(fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

}  // namespace

std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          size_t bufferSize) {
    const ParsedIni& ini = Load(file);
    auto sec = ini.sections.find(LCase(section));
    if (sec == ini.sections.end()) return "";
    auto it = sec->second.find(LCase(key));
    if (it == sec->second.end()) return "";
    size_t max = bufferSize > 0 ? bufferSize - 1 : 0;
    return it->second.size() > max ? it->second.substr(0, max) : it->second;
}

std::optional<RunError> TryWriteIniString(const std::string& file, const std::string& rawSection,
                                          const std::string& rawKey, const std::string& rawValue) {
    const std::string section = Clean(rawSection), key = Clean(rawKey), value = Clean(rawValue);
    Cache().erase(file);
    // Lock, read, change, write a temporary file, sync, rename, unlock. The
    // lock is taken on the folder, whose identity does not change when a
    // new file is renamed over the old one.
    const std::string folder = FolderOf(file);
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0) return FileError(errno, true);
    while (flock(dir.fd, LOCK_EX) != 0)
        if (errno != EINTR) return RunError(Err::PathFileAccess);

    Fd target(open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (target.fd < 0) return FileError(errno);
    struct stat st{};
    if (fstat(target.fd, &st) != 0 || !S_ISREG(st.st_mode)) return RunError(Err::PathFileAccess);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return RunError(Err::PermissionDenied);

    std::string content;
    if (!ReadWhole(target.fd, content)) return RunError(Err::PathFileAccess);
    std::string updated = Rewrite(content, section, key, value);

    std::string tmpl = file + ".XXXXXX";
    std::vector<char> tmpName(tmpl.begin(), tmpl.end());
    tmpName.push_back('\0');
    Fd temp(mkstemp(tmpName.data()));
    if (temp.fd < 0) return FileError(errno);
    bool ok = fchmod(temp.fd, st.st_mode & 07777) == 0;
    if (fchown(temp.fd, st.st_uid, st.st_gid) != 0) { /* another owner needs privileges; keep ours */ }
    ok = ok && WriteAll(temp.fd, updated) && fsync(temp.fd) == 0 && rename(tmpName.data(), file.c_str()) == 0;
    if (!ok) {
        int err = errno;
        unlink(tmpName.data());
        return FileError(err);
    }
    fsync(dir.fd);
    return std::nullopt;
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
    return !TryWriteIniString(file, section, key, value).has_value();
}

bool ReadDocTypeFlag(const std::string& key) {
    std::string section = Appl + "VDW" + DocType;
    bool on = UCase(ReadIniString(WebIniPath(), section, key)) == "TRUE";
    DebugLog(key + (on ? "=TRUE (" : "=FALSE (") + section + ")");
    return on;
}

}  // namespace vd
