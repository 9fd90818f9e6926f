#include "settings/IniFiles.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/ProcessState.h"
#include "base/TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <sys/uio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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
std::optional<std::string_view> KeyOf(std::string_view text, std::string_view* value = nullptr) {
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

// A section header: where its line starts, where the lines after it start,
// and its name (a view into the file's text).
struct Header {
    size_t line = 0;
    size_t body = 0;
    std::string_view name;
};

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

// A file's bytes as read, without the cost of clearing the buffer first.
struct FileText {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    std::string_view View() const { return {data.get(), size}; }
};

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

std::string Clean(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
    return out;
}

bool HasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

// The file's line end: that of its first line, CR LF for a file without one.
std::string_view LineStyle(std::string_view content) {
    size_t nl = content.find('\n');
    if (nl == std::string_view::npos) return "\r\n";
    return nl > 0 && content[nl - 1] == '\r' ? "\r\n" : "\n";
}

struct PendingKey {
    const std::string* key;
    const std::string* value;
    bool done = false;
    std::optional<std::string> old;  // the value the file held
};

// The new text of a file as pieces: ranges of the old text and pieces of new
// text, written out with writev, so that nothing of the old text is copied.
class Rewriter {
public:
    explicit Rewriter(std::string_view old) : old_(old), style_(LineStyle(old)) {}

    std::string_view Old() const { return old_; }
    bool Changed() const { return changed_; }

    // The old text up to end goes out unchanged.
    void KeepTo(size_t end) {
        if (end > kept_) Push(false, kept_, end - kept_);
        kept_ = std::max(kept_, end);
    }
    // The old text up to end is left out.
    void SkipTo(size_t end) { kept_ = end; }
    void Add(std::string_view text) {
        if (text.empty()) return;
        Push(true, added_.size(), text.size());
        added_.append(text);
        changed_ = true;
    }

    // The first entry of each key replaced in place (the stored spelling of
    // the key stays); the keys not found go after the section's last
    // non-blank line, or right after the header.
    void EditSection(const Header& h, size_t end, std::vector<PendingKey>& keys) {
        size_t insertAt = h.body;
        bool insertNeedsEnd = h.body == h.line || old_[h.body - 1] != '\n';
        for (size_t pos = h.body; pos < end;) {
            const size_t nl = LineEnd(old_, pos);
            const bool hasEnd = nl < old_.size();
            size_t textEnd = nl;
            if (hasEnd && textEnd > pos && old_[textEnd - 1] == '\r') --textEnd;
            const std::string_view text = old_.substr(pos, textEnd - pos);
            const size_t next = hasEnd ? nl + 1 : old_.size();
            std::string_view stored;
            if (auto key = KeyOf(text, &stored)) {
                for (auto& k : keys) {
                    if (k.done || !EqualsNoCase(*key, *k.key)) continue;
                    k.done = true;
                    k.old = std::string(StripQuotes(stored));
                    line_.assign(*key);
                    line_ += '=';
                    line_ += *k.value;
                    if (line_ != text) {
                        KeepTo(pos);
                        Add(line_);
                        SkipTo(textEnd);  // the line's own end stays
                    }
                    break;
                }
            }
            if (!TrimView(text).empty()) {
                insertAt = next;
                insertNeedsEnd = !hasEnd;
            }
            pos = next;
        }
        line_.clear();
        for (const auto& k : keys) {
            if (k.done) continue;
            line_ += *k.key;
            line_ += '=';
            line_ += *k.value;
            line_ += style_;
        }
        if (line_.empty()) return;
        KeepTo(insertAt);
        if (insertNeedsEnd) Add(style_);
        Add(line_);
    }

    // A section that the file does not have goes at its end, after a blank line.
    void AddSection(const std::string& name, const std::vector<PendingKey>& keys) {
        KeepTo(old_.size());
        bool ended = true;
        std::string last = LastLine(ended);
        if (!pieces_.empty()) {
            if (!ended) Add(style_);
            if (!TrimView(last).empty()) Add(style_);
        }
        line_ = "[" + name + "]";
        line_ += style_;
        for (const auto& k : keys) {
            line_ += *k.key;
            line_ += '=';
            line_ += *k.value;
            line_ += style_;
        }
        Add(line_);
    }

    // Writes the whole text; false with errno set on failure.
    bool WriteTo(int fd) {
        KeepTo(old_.size());
        std::vector<iovec> iov;
        iov.reserve(pieces_.size());
        for (const auto& p : pieces_) {
            const char* base = p.added ? added_.data() : old_.data();
            iov.push_back({const_cast<char*>(base + p.offset), p.size});
        }
        size_t first = 0;
        while (first < iov.size()) {
            const int count = static_cast<int>(std::min<size_t>(iov.size() - first, IOV_MAX));
            ssize_t n = writev(fd, iov.data() + first, count);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            auto done = static_cast<size_t>(n);
            while (first < iov.size() && done >= iov[first].iov_len) done -= iov[first++].iov_len;
            if (first < iov.size()) {
                iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + done;
                iov[first].iov_len -= done;
            }
        }
        return true;
    }

private:
    struct Piece {
        bool added;
        size_t offset, size;
    };

    void Push(bool added, size_t offset, size_t size) {
        if (!pieces_.empty() && pieces_.back().added == added && pieces_.back().offset + pieces_.back().size == offset)
            pieces_.back().size += size;
        else
            pieces_.push_back({added, offset, size});
    }

    // The text of the last line so far, without its line end; ended tells
    // whether it has one.
    std::string LastLine(bool& ended) const {
        std::string reversed;
        bool first = true;
        ended = false;
        for (auto p = pieces_.rbegin(); p != pieces_.rend(); ++p) {
            const char* base = p->added ? added_.data() : old_.data();
            for (size_t i = p->size; i-- > 0;) {
                const char c = base[p->offset + i];
                if (c == '\n') {
                    if (!first) return {reversed.rbegin(), reversed.rend()};
                    ended = true;
                } else {
                    reversed += c;
                }
                first = false;
            }
        }
        return {reversed.rbegin(), reversed.rend()};
    }

    std::string_view old_;
    std::string_view style_;
    size_t kept_ = 0;
    std::string added_;
    std::vector<Piece> pieces_;
    std::string line_;
    bool changed_ = false;
};

std::string FolderOf(const std::string& file) {
    auto slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

std::string BaseOf(const std::string& file) {
    auto slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

// An open file descriptor that closes itself.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() { if (fd >= 0) close(fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// The path with the file's own symbolic links followed; errno set and ""
// when a link cannot be read or they loop.
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

IniEdit::IniEdit(std::string file) : file_(std::move(file)) {}

void IniEdit::Set(std::string_view section, std::string_view key, std::string_view value) {
    auto problem = IniSectionProblem(section);
    if (!problem) problem = IniKeyProblem(key);
    if (problem) {
        RunError refusal(Err::InvalidCall, "Cannot write [" + Clean(section) + "] " + Clean(key) + " to " +
                                               BaseOf(file_) + ": " + *problem);
        if (!refused_) refused_ = refusal;
        throw refusal;
    }
    SectionChange* target = nullptr;
    for (auto& s : sections_)
        if (EqualsNoCase(s.name, section)) { target = &s; break; }
    if (!target) target = &sections_.emplace_back(SectionChange{std::string(section), {}});
    for (auto& k : target->keys)
        if (EqualsNoCase(k.key, key)) {
            k.value = Clean(value);
            return;
        }
    target->keys.push_back({std::string(key), Clean(value)});
}

namespace {

// The keys whose values differ between two lists of entries (IniEntries):
// changed and added ones in the order of the new list, then removed ones.
std::vector<IniKeyChange> EntryChanges(const std::vector<IniKeyChange>& before,
                                       const std::vector<IniKeyChange>& after) {
    auto find = [](const std::vector<IniKeyChange>& list, const IniKeyChange& e) -> const IniKeyChange* {
        for (const auto& x : list)
            if (EqualsNoCase(x.Section, e.Section) && EqualsNoCase(x.Key, e.Key)) return &x;
        return nullptr;
    };
    std::vector<IniKeyChange> changes;
    for (const auto& a : after) {
        const IniKeyChange* b = find(before, a);
        if (!b || b->New != a.New) changes.push_back({a.Section, a.Key, b ? b->New : std::nullopt, a.New});
    }
    for (const auto& b : before)
        if (!find(after, b)) changes.push_back({b.Section, b.Key, b.New, std::nullopt});
    return changes;
}

bool WriteWhole(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

void IniEdit::Commit(IniCommitObserver* observer) {
    if (refused_) throw *refused_;
    if (sections_.empty() && !whole_) return;
    // The file itself may be a link: the target is what gets replaced, in
    // its own folder, so the link stays a link.
    const std::string target = ResolveLinks(file_);
    if (target.empty()) throw FileError(errno);
    const std::string folder = FolderOf(target), base = BaseOf(target);
    // Lock, read, change, write the temporary file, sync, rename, unlock.
    // The lock is taken on the folder, whose identity does not change when
    // a new file is renamed over the old one.
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0) throw FileError(errno, true);
    while (flock(dir.fd, LOCK_EX) != 0)
        if (errno != EINTR) throw RunError(Err::PathFileAccess);

    // One temporary name per file, used only under the lock: a copy left by
    // a writer that was killed is removed here, by the next writer.
    const std::string temp = "." + base + ".vdtmp";
    if (unlinkat(dir.fd, temp.c_str(), 0) != 0 && errno != ENOENT) throw FileError(errno);

    struct stat st{};
    bool exists = true;
    Fd current(openat(dir.fd, base.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (current.fd < 0) {
        if (errno != ENOENT) throw FileError(errno);
        exists = false;
    } else {
        if (fstat(current.fd, &st) != 0 || !S_ISREG(st.st_mode)) throw RunError(Err::PathFileAccess);
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) throw RunError(Err::PermissionDenied);
    }

    // Read again under the lock, whatever this run read before: the edit
    // applies to the file as it is now. The text read before goes first, so
    // that a large file is held once.
    Cache().erase(file_);
    FileText content;
    if (exists && !ReadAll(current.fd, static_cast<size_t>(st.st_size), content)) throw RunError(Err::PathFileAccess);
    const std::string_view old = content.View();

    // Every change in one pass over the file.
    Rewriter rewrite(old);
    std::vector<std::vector<PendingKey>> changes(sections_.size());
    for (size_t i = 0; i < sections_.size(); ++i)
        for (const auto& k : sections_[i].keys) changes[i].push_back({&k.key, &k.value, false, std::nullopt});
    std::vector<bool> found(sections_.size());
    size_t pending = sections_.size();
    const size_t begin = TextBegin(old);
    Header h;
    bool have = !whole_ && NextHeader(old, begin, begin, h);
    while (have && pending > 0) {
        Header next;
        const bool haveNext = NextHeader(old, begin, h.body, next);
        for (size_t i = 0; i < sections_.size(); ++i) {
            if (found[i] || !EqualsNoCase(sections_[i].name, h.name)) continue;
            found[i] = true;
            --pending;
            rewrite.EditSection(h, haveNext ? next.line : old.size(), changes[i]);
            break;
        }
        h = next;
        have = haveNext;
    }
    if (!whole_)
        for (size_t i = 0; i < sections_.size(); ++i)
            if (!found[i]) rewrite.AddSection(sections_[i].name, changes[i]);

    IniReplacement replacement;
    replacement.FolderFd = dir.fd;
    replacement.Folder = folder;
    replacement.Base = base;
    replacement.Exists = exists;
    replacement.Text = old;
    if (whole_) {
        replacement.Changes = !exists || old != *whole_;
        replacement.Keys = EntryChanges(IniEntries(old), IniEntries(*whole_));
    } else {
        replacement.Changes = !exists || rewrite.Changed();
        for (size_t i = 0; i < sections_.size(); ++i)
            for (const auto& k : changes[i]) replacement.Keys.push_back({sections_[i].name, *k.key, k.old, *k.value});
    }
    if (!replacement.Changes) {
        if (observer) observer->BeforeReplace(replacement);
        return;
    }

    Fd out(openat(dir.fd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0644));
    if (out.fd < 0) throw FileError(errno);
    bool ok = true;
    if (exists) {
        ok = fchmod(out.fd, st.st_mode & 07777) == 0;
        if (fchown(out.fd, st.st_uid, st.st_gid) != 0) { /* another owner needs privileges; keep ours */ }
    }
    ok = ok && (whole_ ? WriteWhole(out.fd, *whole_) : rewrite.WriteTo(out.fd)) && fsync(out.fd) == 0;
    if (!ok) {
        int err = errno;
        unlinkat(dir.fd, temp.c_str(), 0);
        throw FileError(err);
    }
    if (observer) {
        try {
            observer->BeforeReplace(replacement);
        } catch (...) {
            unlinkat(dir.fd, temp.c_str(), 0);  // nothing replaced, no temporary left
            throw;
        }
    }
    if (renameat(dir.fd, temp.c_str(), dir.fd, base.c_str()) != 0) {
        RunError failure = FileError(errno);
        unlinkat(dir.fd, temp.c_str(), 0);
        if (observer) observer->ReplaceFailed(replacement, failure);
        throw failure;
    }
    fsync(dir.fd);  // the next read of this run reads the new file
}

std::string_view IniFileText(const std::string& file) { return Load(file).text; }

void IniEdit::ReplaceAll(std::string text) { whole_ = std::move(text); }

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
