// The audit trail: every change the program makes (settings, rate plans,
// restored versions) appends one JSON object on one line to
// vdconfig-audit.log, in the folder that really holds vexweb.ini.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

constexpr const char* AuditFileName = "vdconfig-audit.log";

// The trail in the folder that really holds vexweb.ini.
inline std::string AuditTrailPath(const std::string& settingsFolder) { return settingsFolder + "/" + AuditFileName; }

// The member that marks a record written before its change was committed,
// as it stands in the line (just before "changes").
constexpr std::string_view PendingMember = ",\"pending\":true";

// Who asked for a change: the run's user (the signed-in name, or the field
// "User" without a sign-in), and the web server's REMOTE_USER and REMOTE_ADDR ("" when absent).
struct AuditWho {
    std::string User;
    std::string RemoteUser;
    std::string RemoteAddr;
};

// One key, column or setting whose value changed. A missing old value is a
// key or row that did not exist; a missing new one, a key or row removed.
struct AuditChange {
    std::string Section;  // the INI section ("" for a column)
    std::string Field;
    std::optional<std::string> Old;
    std::optional<std::string> New;
};

struct AuditEntry {
    std::string Action;  // "settings saved", "plan added", "plan updated", "plan deleted", "version restored"
    AuditWho Who;
    std::string Application;  // the key: "" where it does not apply
    std::string Database;
    std::optional<int> Plan;
    std::string Version;   // the version of vexweb.ini kept of the file a save replaced
    std::string Restored;  // the version put back by a restore
    std::string Token;     // the one-time token of the new-plan form a plan was added from
    std::vector<AuditChange> Changes;
    std::string Failure;  // set when the change recorded before did not happen
    // Written before the change is committed: the record of a change that
    // may not have happened. Its confirmation, the same record without this
    // member, follows once the change is committed (or its failed copy).
    bool Pending = false;
};

// The entry as one line of JSON, newline included. Bytes that are not
// UTF-8 are written as the Latin-1 characters they stand for.
std::string AuditLine(const AuditEntry& entry, std::time_t when);

// "2026-12-09T03:30:00Z"
std::string IsoUtc(std::time_t when);

// The member "key" of a rate plan's record, as AuditLine writes it:
// "key":{"application":"ABC","database":"01","plan":2}
std::string AuditKeyText(const std::string& application, const std::string& database, std::optional<int> plan);

// The trail file, open for appending. Opened before a change is made, so a
// trail that cannot be written stops the change; each record is one write
// of a whole line, so records of simultaneous requests never interleave.
class AuditTrail {
public:
    // folder: where vexweb.ini really lives. A file that cannot be opened is
    // a failure (70, 75, 76); a symbolic link in the trail's place is never
    // followed (75).
    explicit AuditTrail(const std::string& folder);
    // The same in an open folder (folder: its path, for the failure lines).
    AuditTrail(int folderFd, const std::string& folder);
    ~AuditTrail();
    AuditTrail(AuditTrail&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) { other.fd_ = -1; }
    AuditTrail(const AuditTrail&) = delete;
    AuditTrail& operator=(const AuditTrail&) = delete;

    // Appends the record; a write that fails or stops short is a failure.
    void Append(const AuditEntry& entry);
    // Appends what became of a pending record read back from the trail: its
    // confirmation, or with failure its failed copy; the time is now's.
    void Settle(std::string_view pendingRecord, const std::string& failure);
    const std::string& Path() const { return path_; }

private:
    void Write(const std::string& line);

    std::string path_;
    int fd_ = -1;
};

}  // namespace vd
