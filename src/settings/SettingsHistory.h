// Kept versions of vexweb.ini and the record of each change to it: before a
// commit replaces the file, the file it replaces is kept in
// vexweb.ini.history/ beside it (the newest 50, named by UTC time and
// user), and the change goes on the audit trail.
#pragma once

#include <string>
#include <vector>

#include "settings/AuditTrail.h"
#include "settings/IniFiles.h"

namespace vd {

constexpr size_t KeptVersionCount = 50;

// vexweb.ini.history in the folder that really holds vexweb.ini
// (SettingsFolderOf).
std::string VersionFolder(const std::string& settingsFolder);

// A kept version's name: "YYYYMMDDTHHMMSSZ-" (UTC), more, ".ini"; no "/".
bool IsVersionName(const std::string& name);

// "20261209T031725Z-admin.ini": the time and the user, with every character
// of the user that is not a letter, digit, ".", "_", "@" or "-" as "_".
std::string VersionName(std::time_t when, const std::string& user);

// Watches one commit of vexweb.ini: keeps the replaced file as a version
// (a hard link to it: the commit renames a new file over it, so the old
// one is left whole) and appends the entry, with the changed keys and the
// kept version, before the rename. A rename that fails is recorded as
// failed, and its kept version removed.
class SettingsRecorder : public IniCommitObserver {
public:
    SettingsRecorder(AuditTrail& trail, AuditEntry entry) : trail_(trail), entry_(std::move(entry)) {}
    void BeforeReplace(const IniReplacement& replacement) override;
    void ReplaceFailed(const IniReplacement& replacement, const RunError& failure) override;
    void AfterReplace(const IniReplacement& replacement) noexcept override;
    const AuditEntry& Entry() const { return entry_; }

private:
    AuditTrail& trail_;
    AuditEntry entry_;
};

}  // namespace vd
