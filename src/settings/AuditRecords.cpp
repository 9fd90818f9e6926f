#include "settings/AuditRecords.h"

#include "base/RunError.h"
#include "base/TextUtil.h"
#include "settings/AuditLookup.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}
    bool Parse(AuditJson& out) {
        if (!Value(out, 0)) return false;
        Blanks();
        return i_ == s_.size();
    }

private:
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
    }
    bool Eat(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
        return false;
    }
    static void Utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool Escaped(std::string& out) {
        if (i_ >= s_.size()) return false;
        const char c = s_[i_++];
        switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
            if (i_ + 4 > s_.size()) return false;
            unsigned cp = 0;
            for (int k = 0; k < 4; ++k) {
                const char h = s_[i_++];
                cp = cp * 16 + (h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                : h >= 'A' && h <= 'F' ? h - 'A' + 10 : 99);
                if (cp > 0xFFFF) return false;
            }
            Utf8(out, cp);
            break;
        }
        default: out += c;
        }
        return true;
    }
    bool String(std::string& out) {
        if (!Eat('"')) return false;
        while (i_ < s_.size() && s_[i_] != '"') {
            // Plain text up to the next quote or escape goes in at once.
            size_t plain = i_;
            while (plain < s_.size() && s_[plain] != '"' && s_[plain] != '\\') ++plain;
            out.append(s_.substr(i_, plain - i_));
            i_ = plain;
            if (i_ < s_.size() && s_[i_] == '\\' && (++i_, !Escaped(out))) return false;
        }
        return Eat('"');
    }
    bool Members(AuditJson& v, int depth) {
        v.kind = AuditJson::Object;
        if (Eat('}')) return true;
        do {
            std::string name;
            AuditJson item;
            if (!String(name) || !Eat(':') || !Value(item, depth + 1)) return false;
            v.names.push_back(std::move(name));
            v.items.push_back(std::move(item));
        } while (Eat(','));
        return Eat('}');
    }
    bool Items(AuditJson& v, int depth) {
        v.kind = AuditJson::Array;
        if (Eat(']')) return true;
        do {
            AuditJson item;
            if (!Value(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
        } while (Eat(','));
        return Eat(']');
    }
    bool Value(AuditJson& v, int depth) {
        if (depth > 8) return false;
        Blanks();
        if (i_ >= s_.size()) return false;
        const char c = s_[i_];
        if (c == '"') return v.kind = AuditJson::Text, String(v.text);
        if (c == '{') return ++i_, Members(v, depth);
        if (c == '[') return ++i_, Items(v, depth);
        if (s_.substr(i_, 4) == "null") return i_ += 4, true;
        for (const std::string_view truth : {"true", "false"})
            if (s_.substr(i_, truth.size()) == truth)
                return v.kind = AuditJson::Bool, v.text = truth, i_ += truth.size(), true;
        const size_t start = i_;
        while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '-' || s_[i_] == '.'))
            ++i_;
        if (i_ == start) return false;
        v.kind = AuditJson::Number;
        v.text = std::string(s_.substr(start, i_ - start));
        return true;
    }
    std::string_view s_;
    size_t i_ = 0;
};

bool KindMatches(const std::string& action, const std::string& kind) {
    if (kind.empty()) return true;
    if (EqualsNoCase(kind, "settings")) return action == "settings saved";
    if (EqualsNoCase(kind, "restores")) return action == "version restored" || action == "plan restored";
    if (EqualsNoCase(kind, "plans")) return action.rfind("plan ", 0) == 0;
    return false;
}

bool DatabaseMatches(const AuditJson& r, const std::string& database) {
    if (database.empty()) return true;
    const AuditJson* key = r.Get("key");
    if (!key) return false;
    const std::string appl = key->Str("application"), db = key->Str("database");
    const size_t dash = database.find('-');
    if (dash == std::string::npos) return EqualsNoCase(appl, database);
    return EqualsNoCase(appl, database.substr(0, dash)) && EqualsNoCase(db, database.substr(dash + 1));
}

std::uint64_t Hash(std::string_view text) { return std::hash<std::string_view>{}(text); }

constexpr size_t ChunkSize = 65536;

}  // namespace

const AuditJson* AuditJson::Get(std::string_view name) const {
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return &items[i];
    return nullptr;
}

std::string AuditJson::Str(std::string_view name) const {
    const AuditJson* v = Get(name);
    return v && (v->kind == Text || v->kind == Number) ? v->text : "";
}

bool AuditJson::IsTrue(std::string_view name) const {
    const AuditJson* v = Get(name);
    return v && v->kind == Bool && v->text == "true";
}

bool ParseAuditRecord(std::string_view line, AuditJson& record) {
    record = AuditJson{};
    return Parser(line).Parse(record) && record.kind == AuditJson::Object;
}

bool IsCalendarDay(const std::string& d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(d[i]))) return false;
    const int year = std::stoi(d.substr(0, 4)), month = std::stoi(d.substr(5, 2)), day = std::stoi(d.substr(8, 2));
    static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > days[month - 1]) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day < 29 || leap;
}

bool IsTrailKind(const std::string& kind) {
    return kind.empty() || EqualsNoCase(kind, "settings") || EqualsNoCase(kind, "plans") ||
           EqualsNoCase(kind, "restores");
}

bool MatchesFilter(const AuditJson& r, const TrailFilter& f) {
    const std::string day = r.Str("time").substr(0, 10);
    if (!f.Since.empty() && day < f.Since) return false;
    if (!f.Until.empty() && day > f.Until) return false;
    if (!f.User.empty() && !EqualsNoCase(r.Str("user"), f.User) && !EqualsNoCase(r.Str("remote_user"), f.User))
        return false;
    return KindMatches(r.Str("action"), f.Kind) && DatabaseMatches(r, f.Database);
}

bool MayMatch(std::string_view line, const TrailFilter& f) {
    // A value the trail writes as it stands (no escape) is in the line.
    for (const std::string* value : {&f.User, &f.Database}) {
        const std::string_view v = value == &f.Database ? std::string_view(*value).substr(0, value->find('-')) : *value;
        if (v.empty()) continue;
        bool plain = true;
        for (char c : v)
            plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '@');
        if (!plain) continue;
        const auto at = std::search(line.begin(), line.end(), v.begin(), v.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
        if (at == line.end()) return false;
    }
    return true;
}

std::vector<AuditChange> ChangesOf(const AuditJson& record) {
    std::vector<AuditChange> changes;
    const AuditJson* list = record.Get("changes");
    if (!list || list->kind != AuditJson::Array) return changes;
    auto value = [](const AuditJson& c, std::string_view name) -> std::optional<std::string> {
        const AuditJson* v = c.Get(name);
        if (!v || v->kind == AuditJson::Null) return std::nullopt;
        return v->text;
    };
    for (const AuditJson& c : list->items)
        changes.push_back({c.Str("section"), c.Str("field"), value(c, "old"), value(c, "new")});
    return changes;
}

TrailFromEnd::TrailFromEnd(const std::string& path, std::optional<std::uint64_t> before) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) {
        if (errno == ENOENT) return;
        throw FileError(errno);
    }
    struct stat st{};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) throw FileError(EACCES);
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    chunkStart_ = lineStart_ = before && *before < size ? *before : size;
    if (chunkStart_ == size) return;
    // The records after the start are read only for what they settle.
    std::string later;
    char buf[ChunkSize];
    for (std::uint64_t at = chunkStart_; at < size;) {
        const ssize_t n = ::pread(fd_, buf, sizeof buf, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw FileError(n < 0 ? errno : EIO);
        at += static_cast<std::uint64_t>(n);
        later.append(buf, static_cast<size_t>(n));
        size_t from = 0;
        for (size_t nl; (nl = later.find('\n', from)) != later.npos; from = nl + 1)
            Remember(std::string_view(later).substr(from, nl - from));
        later.erase(0, from);
    }
    Remember(later);
    // A start inside a line leaves that line out.
    if (lineStart_ > 0 && ::pread(fd_, buf, 1, static_cast<off_t>(lineStart_ - 1)) == 1 && buf[0] != '\n') {
        std::string partial;
        Older(partial);
        last_.clear();
    }
}

TrailFromEnd::~TrailFromEnd() {
    if (fd_ >= 0) ::close(fd_);
}

bool TrailFromEnd::Fill() {
    if (chunkStart_ == 0) return false;
    const size_t n = static_cast<size_t>(std::min<std::uint64_t>(ChunkSize, chunkStart_));
    std::string chunk(n, '\0');
    for (size_t got = 0; got < n;) {
        const ssize_t r = ::pread(fd_, chunk.data() + got, n - got, static_cast<off_t>(chunkStart_ - n + got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) throw FileError(r < 0 ? errno : EIO);
        got += static_cast<size_t>(r);
    }
    buffer_.insert(0, chunk);
    chunkStart_ -= n;
    return true;
}

bool TrailFromEnd::Older(std::string& line) {
    Remember(last_);
    last_.clear();
    if (fd_ < 0 || lineStart_ == 0) return false;
    // buffer_ holds the file from chunkStart_ to lineStart_, where the line
    // ends (its line end dropped); more is read in front until its start.
    while (buffer_.empty() && Fill()) {}
    const size_t ending = !buffer_.empty() && buffer_.back() == '\n' ? 1 : 0;
    size_t newline;
    for (;;) {
        const size_t stop = buffer_.size() - ending;
        newline = stop == 0 ? buffer_.npos : buffer_.rfind('\n', stop - 1);
        if (newline != buffer_.npos || !Fill()) break;
    }
    const size_t from = newline == buffer_.npos ? 0 : newline + 1;
    line.assign(buffer_, from, buffer_.size() - ending - from);
    buffer_.resize(from);
    lineStart_ = chunkStart_ + from;
    last_ = line;
    return true;
}

void TrailFromEnd::Remember(std::string_view record) {
    if (record.empty() || IsPending(record)) return;
    bool failed = false;
    const std::string_view text = SettlingText(record, failed);
    (failed ? failures_ : confirmations_).insert(Hash(text));
}

bool TrailFromEnd::SettledLater(std::string_view pending) const {
    return confirmations_.count(Hash(ConfirmationText(pending))) > 0 ||
           failures_.count(Hash(FailedCopyText(pending))) > 0;
}

}  // namespace vd
