#include "settings/AuditLookup.h"

#include "base/RunError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

constexpr std::string_view Failed = "\"failed\":";

// The record without the members that mark it failed, for comparing it with
// the record of the same change written before.
std::string_view WithoutFailure(std::string_view record) {
    const size_t at = record.find(",\"failed\":");
    return at == record.npos ? record : record.substr(0, at);
}

// Drops the time, which differs between a record and its failed copy.
std::string_view AfterTime(std::string_view record) {
    const size_t at = record.find(",\"user\":");
    return at == record.npos ? record : record.substr(at);
}

}  // namespace

std::string ReadAuditTrail(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        throw FileError(errno);
    }
    std::string text;
    struct stat st{};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) text.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw FileError(err);
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

// Inside a JSON text every quote is escaped, so the name with its quotes
// and the colon after it is found only as a member. The records' top-level
// members come before "changes", where the columns' names are.
std::string AuditMember(std::string_view record, std::string_view name) {
    const size_t changes = record.find(",\"changes\":");
    const std::string_view head = record.substr(0, changes);
    const std::string pattern = "\"" + std::string(name) + "\":\"";
    const size_t at = head.find(pattern);
    if (at == head.npos) return {};
    std::string value;
    for (size_t i = at + pattern.size(); i < head.size() && head[i] != '"'; ++i) {
        if (head[i] == '\\' && i + 1 < head.size()) {
            const char c = head[++i];
            value += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            if (c == 'u') value.back() = '?', i += 4;
        } else {
            value += head[i];
        }
    }
    return value;
}

std::optional<std::string_view> LastChange(std::string_view trail, std::string_view text, std::string_view alsoText) {
    std::string_view undone;  // a failed record seen: its earlier copy did not happen
    size_t end = trail.size();
    if (end > 0 && trail[end - 1] == '\n') --end;
    for (;;) {
        const size_t newline = end == 0 ? trail.npos : trail.rfind('\n', end - 1);
        const size_t from = newline == trail.npos ? 0 : newline + 1;
        const std::string_view record = trail.substr(from, end - from);
        if (record.find(text) != record.npos && (alsoText.empty() || record.find(alsoText) != record.npos)) {
            if (record.find(Failed) != record.npos)
                undone = AfterTime(WithoutFailure(record));
            else if (!undone.empty() && AfterTime(record).substr(0, undone.size()) == undone)
                undone = {};
            else
                return record;
        }
        if (from == 0) break;
        end = from - 1;
    }
    return std::nullopt;
}

AuditSaver SaverOf(std::string_view record) {
    return {AuditMember(record, "time"), AuditMember(record, "user"), AuditMember(record, "remote_user")};
}

std::optional<AuditSaver> LastSettingsChange(std::string_view trail) {
    // A settings record has no key; the newest of a save or a restore.
    auto save = LastChange(trail, "\"action\":\"settings saved\"");
    auto restore = LastChange(trail, "\"action\":\"version restored\"");
    if (!save && !restore) return std::nullopt;
    if (!save || (restore && restore->data() > save->data())) return SaverOf(*restore);
    return SaverOf(*save);
}

std::optional<AuditSaver> LastPlanChange(std::string_view trail, const std::string& keyText) {
    // The key text ends with its brace, so plan 2 does not find plan 23.
    auto record = LastChange(trail, keyText);
    if (!record) return std::nullopt;
    return SaverOf(*record);
}

}  // namespace vd
