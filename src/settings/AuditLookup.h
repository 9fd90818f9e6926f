// Answers read back from the audit trail: who made the last change of the
// settings or of a plan, and whether a new-plan form was saved already.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

// The trail's text, "" when there is none yet. A trail that exists but
// cannot be read is a failure (70, 75).
std::string ReadAuditTrail(const std::string& path);

// Who made a change, and when, as its record says.
struct AuditSaver {
    std::string Time;        // "2026-12-09T03:30:00Z"
    std::string User;        // the field "User"
    std::string RemoteUser;  // the web server's user, "" when none
};

// The top-level text member name of one record ("" when it has none).
std::string AuditMember(std::string_view record, std::string_view name);

// The newest record that has every one of the texts and is not undone by
// a record of the same change marked failed, nor pending (a pending change
// that happened has its confirmation after it); nothing when there is none.
std::optional<std::string_view> LastChange(std::string_view trail, std::string_view text,
                                           std::string_view alsoText = {});

// The last settings save or restore that happened.
std::optional<AuditSaver> LastSettingsChange(std::string_view trail);

// The last change of a plan key (AuditKeyText) that happened.
std::optional<AuditSaver> LastPlanChange(std::string_view trail, const std::string& keyText);

AuditSaver SaverOf(std::string_view record);

// What became of a pending record, by the records after it: confirmed (the
// same record, without the pending member), failed (its failed copy), or
// neither: not confirmed, the change may or may not have been committed.
enum class Settlement { Confirmed, Failed, Unconfirmed };
bool IsPending(std::string_view record);
Settlement SettlementOf(std::string_view pending, std::string_view laterRecords);

// The pending records of the trail that have every one of the texts and
// are still not confirmed, oldest first.
std::vector<std::string_view> UnconfirmedRecords(std::string_view trail, std::string_view text);

// The records that follow record, a view into trail.
std::string_view RecordsAfter(std::string_view trail, std::string_view record);

// What settles a pending record, for readers that keep only these: the
// text after the time that its confirmation holds, and the text after the
// time that its failed copy holds up to the failure. SettlingText gives
// the same of a later record (failed: it is a failed copy).
std::string ConfirmationText(std::string_view pending);
std::string_view FailedCopyText(std::string_view pending);
std::string_view SettlingText(std::string_view record, bool& failed);

}  // namespace vd
