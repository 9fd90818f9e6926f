#include "settings/AuditLookup.h"

#include "base/PlainFiles.h"
#include "base/RunError.h"
#include "settings/AuditTrail.h"

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

// The record without its pending member and its time: what its
// confirmation holds after the time.
std::string Confirmed(std::string_view pending) {
    std::string record(AfterTime(pending));
    const size_t at = record.find(PendingMember);
    if (at != record.npos) record.erase(at, PendingMember.size());
    return record;
}

// The record of the trail that starts at from, without its line end.
std::string_view RecordAt(std::string_view trail, size_t from) {
    const size_t end = trail.find('\n', from);
    return trail.substr(from, end == trail.npos ? trail.npos : end - from);
}

}  // namespace

bool IsPending(std::string_view record) {
    // Inside a text every quote is escaped, so the member is found only as
    // a member; it stands before the changes.
    const size_t at = record.find(PendingMember);
    return at != record.npos && at < record.find(",\"changes\":");
}

Settlement SettlementOf(std::string_view pending, std::string_view later) {
    if (!pending.empty() && pending.back() == '\n') pending.remove_suffix(1);
    const std::string confirmed = Confirmed(pending);
    // A failed copy holds the record's members up to the failure.
    const std::string_view head = AfterTime(pending).substr(0, AfterTime(pending).find(PendingMember));
    for (size_t from = 0; from < later.size();) {
        const std::string_view record = RecordAt(later, from);
        from += record.size() + 1;
        if (record.find(Failed) != record.npos) {
            if (AfterTime(WithoutFailure(record)) == head) return Settlement::Failed;
        } else if (AfterTime(record) == confirmed) {
            return Settlement::Confirmed;
        }
    }
    return Settlement::Unconfirmed;
}

std::string_view RecordsAfter(std::string_view trail, std::string_view record) {
    const size_t end = static_cast<size_t>(record.data() - trail.data()) + record.size();
    return end + 1 >= trail.size() ? std::string_view() : trail.substr(end + 1);
}

std::vector<std::string_view> UnconfirmedRecords(std::string_view trail, std::string_view text) {
    std::vector<std::string_view> found;
    for (size_t from = 0; from < trail.size();) {
        const std::string_view record = RecordAt(trail, from);
        from += record.size() + 1;
        if (record.find(text) != record.npos && IsPending(record) &&
            SettlementOf(record, RecordsAfter(trail, record)) == Settlement::Unconfirmed)
            found.push_back(record);
    }
    return found;
}

std::string ReadAuditTrail(const std::string& path) {
    // Not through a link in its place, and only a regular file (a FIFO does
    // not hang the open).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        throw FileError(errno);
    }
    std::string text;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Raise(Err::PathFileAccess, "The audit trail " + path + " is not a regular file");
    }
    if (st.st_size > 0) text.reserve(static_cast<size_t>(st.st_size));
    const bool read = ReadWhole(fd, text);
    const int err = errno;
    ::close(fd);
    if (!read) throw FileError(err);
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

std::string ConfirmationText(std::string_view pending) { return Confirmed(pending); }

std::string_view FailedCopyText(std::string_view pending) {
    return AfterTime(pending).substr(0, AfterTime(pending).find(PendingMember));
}

std::string_view SettlingText(std::string_view record, bool& failed) {
    failed = record.find(Failed) != record.npos;
    return failed ? AfterTime(WithoutFailure(record)) : AfterTime(record);
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
            if (IsPending(record)) {
                // Confirmed, it was found newer; failed, it is undone.
                if (!undone.empty() && AfterTime(record).substr(0, undone.size()) == undone) undone = {};
            } else if (record.find(Failed) != record.npos)
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
