#include "settings/AuditTrail.h"

#include "base/RunError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

bool IsRegularFile(int fd) {
    struct stat st{};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Length of the UTF-8 sequence starting at i, or 0 when it is not one.
size_t Utf8Length(std::string_view s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

void Json(std::string& out, std::string_view text) {
    static const char* hex = "0123456789abcdef";
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (size_t n = Utf8Length(text, i)) {
            out.append(text.substr(i, n));
            i += n - 1;
        } else {  // a Latin-1 byte
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

void Member(std::string& out, const char* name, std::string_view value) {
    out += ",\"";
    out += name;
    out += "\":";
    Json(out, value);
}

void Optional(std::string& out, const std::optional<std::string>& value) {
    if (value) Json(out, *value);
    else out += "null";
}

}  // namespace

std::string IsoUtc(std::time_t when) {
    std::tm t{};
    gmtime_r(&when, &t);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &t);
    return buf;
}

std::string AuditKeyText(const std::string& application, const std::string& database, std::optional<int> plan) {
    std::string out = "\"key\":{\"application\":";
    Json(out, application);
    out += ",\"database\":";
    Json(out, database);
    if (plan) out += ",\"plan\":" + std::to_string(*plan);
    out += '}';
    return out;
}

std::string AuditLine(const AuditEntry& e, std::time_t when) {
    std::string out = "{\"time\":";
    Json(out, IsoUtc(when));
    Member(out, "user", e.Who.User);
    if (!e.Who.RemoteUser.empty()) Member(out, "remote_user", e.Who.RemoteUser);
    if (!e.Who.RemoteAddr.empty()) Member(out, "remote_addr", e.Who.RemoteAddr);
    Member(out, "action", e.Action);
    if (!e.Application.empty() || !e.Database.empty() || e.Plan)
        out += "," + AuditKeyText(e.Application, e.Database, e.Plan);
    if (!e.Token.empty()) Member(out, "token", e.Token);
    if (!e.Version.empty()) Member(out, "version", e.Version);
    if (!e.Restored.empty()) Member(out, "restored", e.Restored);
    if (e.Pending) out += PendingMember;
    if (!e.Failure.empty()) Member(out, "failed", e.Failure);
    out += ",\"changes\":[";
    bool first = true;
    for (const AuditChange& c : e.Changes) {
        out += first ? "{" : ",{";
        first = false;
        if (!c.Section.empty()) {
            out += "\"section\":";
            Json(out, c.Section);
            out += ',';
        }
        out += "\"field\":";
        Json(out, c.Field);
        out += ",\"old\":";
        Optional(out, c.Old);
        out += ",\"new\":";
        Optional(out, c.New);
        out += '}';
    }
    out += "]}\n";
    return out;
}

AuditTrail::AuditTrail(const std::string& folder) : AuditTrail(AT_FDCWD, folder) {}

AuditTrail::AuditTrail(int folderFd, const std::string& folder) : path_(AuditTrailPath(folder)) {
    const std::string name = folderFd == AT_FDCWD ? path_ : AuditFileName;
    fd_ = ::openat(folderFd, name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0640);
    if (fd_ >= 0 && !IsRegularFile(fd_)) {
        ::close(fd_);
        fd_ = -1;
        errno = EINVAL;
    }
    if (fd_ < 0) {
        const int err = errno;
        throw FileError(err, err == ENOENT);
    }
}

AuditTrail::~AuditTrail() {
    if (fd_ >= 0) ::close(fd_);
}

void AuditTrail::Append(const AuditEntry& entry) { Write(AuditLine(entry, std::time(nullptr))); }

void AuditTrail::Settle(std::string_view pendingRecord, const std::string& failure) {
    // The pending member stands where AuditLine puts a failure, just before
    // the changes; the time is the record's first member.
    const size_t mark = pendingRecord.find(PendingMember);
    const size_t afterTime = pendingRecord.find(",\"user\":");
    if (mark == pendingRecord.npos || afterTime == pendingRecord.npos || afterTime > mark)
        Raise(Err::PathFileAccess, "The audit trail " + path_ + " holds a pending record that cannot be settled");
    std::string line = "{\"time\":";
    Json(line, IsoUtc(std::time(nullptr)));
    line.append(pendingRecord.substr(afterTime, mark - afterTime));
    if (!failure.empty()) Member(line, "failed", failure);
    line.append(pendingRecord.substr(mark + PendingMember.size()));
    if (line.back() != '\n') line += '\n';
    Write(line);
}

void AuditTrail::Write(const std::string& line) {
    // One write of the whole line: O_APPEND places it after every other
    // record, whole.
    ssize_t n;
    do n = ::write(fd_, line.data(), line.size());
    while (n < 0 && errno == EINTR);
    if (n < 0) throw FileError(errno);
    if (static_cast<size_t>(n) != line.size()) Raise(Err::PathFileAccess, "The audit trail " + path_ + " was not written whole");
    if (::fdatasync(fd_) != 0) throw FileError(errno);
}

}  // namespace vd
