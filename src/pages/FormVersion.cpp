#include "pages/FormVersion.h"

#include "base/DebugLog.h"
#include "base/RunError.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Request.h"
#include "data/tables/PlanTokens.h"
#include "pages/RunContext.h"
#include "settings/AuditLookup.h"
#include "settings/AuditTrail.h"
#include "settings/ContentDigest.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sys/random.h>

namespace vd {

namespace {

// Who made the last change, for the refusal: " by admin (alex) at
// 2026-12-09T03:30:00Z", or "" when the trail has no record of it.
template <class Find>
Html LastChangeBy(const std::string& trailPath, Find find) {
    try {
        const std::string trail = ReadAuditTrail(trailPath);
        if (auto saver = find(trail)) {
            Html by = " by " + HtmlText(saver->User);
            if (!saver->RemoteUser.empty()) by += " (" + HtmlText(saver->RemoteUser) + ")";
            return by + " at " + HtmlText(saver->Time);
        }
    } catch (const RunError& e) {
        DebugLog("the audit trail was not read: (" + std::to_string(e.Number) + ") " + e.Text);
    }
    return Html();
}

}  // namespace

Html LastSettingsSaver(const std::string& trailPath) {
    return LastChangeBy(trailPath, [](const std::string& trail) { return LastSettingsChange(trail); });
}

bool Posted(const char* field) { return !FieldValues(field).empty(); }

bool PostedVersionIs(const char* field, const std::string& current) { return SameDigest(GetField(field), current); }

std::string RowVersion(const TableInfo& row) {
    std::string bytes;
    for (int i = 0; i < row.FieldCount; ++i) {
        const FieldEntry& field = row.Field(i);
        const std::string text = field.Value.Text();
        bytes += std::to_string(field.Name.size()) + ":" + field.Name;
        bytes += field.Value.IsEmpty() ? "-" : std::to_string(text.size()) + ":" + text;
        bytes += ';';
    }
    return ContentDigest(bytes);
}

std::string NewFormToken() {
    unsigned char random[16];
    size_t got = 0;
    while (got < sizeof random) {
        const ssize_t n = getrandom(random + got, sizeof random - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Raise(Err::PathFileAccess, "The system's random source failed");
        got += static_cast<size_t>(n);
    }
    static const char* hex = "0123456789abcdef";
    std::string token;
    for (unsigned char c : random) {
        token += hex[c >> 4];
        token += hex[c & 15];
    }
    return token;
}

bool IsFormVersion(std::string_view text) {
    if (text.size() != DigestLength) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

namespace {

// Where the token's form was saved: in this plan's database, as plan
// Number, or in another one.
struct SavedAs {
    bool ThisDatabase = false;
    long Number = 0;
};

std::optional<SavedAs> SavedInTrail(RunContext& run, const std::string& trailPath, const std::string& token) {
    const std::string trail = ReadAuditTrail(trailPath);
    const auto record = LastChange(trail, "\"token\":\"" + token + "\"");
    if (!record) return std::nullopt;
    std::string database = AuditKeyText(run.Plan.Appl, run.Plan.DocType, std::nullopt);
    database.pop_back();  // the brace: the plan number follows
    const size_t at = record->find(database + ",\"plan\":");
    if (at == record->npos) return SavedAs{};
    return SavedAs{true, std::strtol(record->data() + at + database.size() + 8, nullptr, 10)};
}

std::optional<SavedAs> SavedInTable(RunContext& run, OdbcConnection& connection, const std::string& token) {
    const auto plan = FindPlanToken(connection, token);
    if (!plan) return std::nullopt;
    return SavedAs{plan->Appl == run.Plan.Appl && plan->DocType == run.Plan.DocType, plan->RateNum};
}

}  // namespace

std::string FreshPlanToken(RunContext& run, const std::string& trailPath, OdbcConnection* keptIn) {
    const std::string token = GetField(PlanTokenField);
    if (!IsFormVersion(token)) SendStalePlan(run, trailPath, "saved", false);
    const auto saved = keptIn ? SavedInTable(run, *keptIn, token) : SavedInTrail(run, trailPath, token);
    if (!saved) return token;
    if (!saved->ThisDatabase) SendStalePlan(run, trailPath, "saved", false);
    DebugLog("Rate plan not saved again: its form was saved as plan " + std::to_string(saved->Number));
    SendMessagePage("This form was already saved as plan #" + HtmlNumber(saved->Number) + " for Application " +
                        HtmlText(run.Plan.Appl) + " - Database " + HtmlText(run.Plan.DocType) +
                        "; nothing was stored again.",
                    "Click here to return to the rate plan screen", run.FormAction() + "?ConfigOption=RATE PLANS",
                    "+1", "");
    EndRun();
}

void SendStaleSettings(RunContext& run, const std::string& trailPath) {
    const std::string afresh = run.FormAction() + "?ConfigOption=SERVER AND BROWSER FILE LOCATIONS";
    if (!IsFormVersion(GetField(IniVersionField))) {
        DebugLog("Settings not saved: the form's IniVersion is not one this program writes");
        SendMessagePage("Settings not saved: this form was not drawn by this program. Open the settings afresh and "
                        "save again.",
                        "Click here to open the settings form afresh", afresh, "+1", "");
        EndRun();
    }
    DebugLog("Settings not saved: vexweb.ini changed since the form was drawn");
    const Html by = LastSettingsSaver(trailPath);
    SendMessagePage("Settings not saved: vexweb.ini was saved" + by +
                        ", after this form was opened. Nothing was written.",
                    "Click here to open the settings form afresh", afresh, "+1", "");
    EndRun();
}

void SendStalePlan(RunContext& run, const std::string& trailPath, const char* done, bool gone) {
    const PlanKey& plan = run.Plan;
    const std::string action = done;
    // A new plan's save carries a token; a stored plan's, and any delete, the
    // row's version.
    const char* field = plan.RateNum == NewPlan && action == "saved" ? PlanTokenField : PlanVersionField;
    if (!IsFormVersion(GetField(field))) {
        DebugLog("Rate plan not " + action + ": the form's " + field + " is not one this program writes");
        const std::string afresh = run.FormAction() + "?ConfigOption=SHOWPLAN&Rate0=Open&Appl0=" +
                                   UrlEncode(plan.Appl) + "&DocType0=" + UrlEncode(plan.DocType) + "&RateNum0=" +
                                   (plan.RateNum == NewPlan ? std::string("N") : std::to_string(plan.RateNum));
        SendMessagePage("Rate plan not " + HtmlText(action) +
                            ": this form was not drawn by this program. Open the plan afresh and " +
                            HtmlText(action == "saved" ? "save" : "delete") + " again.",
                        "Click here to open the plan afresh", afresh, "+1", "");
        EndRun();
    }
    DebugLog("Rate plan not " + action + ": the form is not drawn from the stored plan");
    const std::string key = AuditKeyText(plan.Appl, plan.DocType, plan.RateNum);
    const Html by = LastChangeBy(trailPath, [&](const std::string& trail) { return LastPlanChange(trail, key); });
    const Html which = "Rate plan #" + HtmlNumber(plan.RateNum) + " of Application " + HtmlText(plan.Appl) +
                       " - Database " + HtmlText(plan.DocType);
    const std::string ratePlans = run.FormAction() + "?ConfigOption=RATE PLANS";
    if (plan.RateNum == NewPlan) {
        SendMessagePage("No rate plan was " + HtmlText(done) + " for Application " + HtmlText(plan.Appl) +
                            " - Database " + HtmlText(plan.DocType) +
                            ": this new plan form is not one of its own. Nothing was changed.",
                        "Click here to return to the rate plan screen", ratePlans, "+1", "");
    } else if (gone) {
        SendMessagePage(which + " was not " + HtmlText(done) + ": it is gone" +
                            (by.Empty() ? Html() : " (last changed" + by + ")") + ". Nothing was changed.",
                        "Click here to return to the rate plan screen", ratePlans, "+1", "");
    } else {
        const std::string address = run.FormAction() + "?ConfigOption=SHOWPLAN&Rate0=Open&Appl0=" +
                                    UrlEncode(plan.Appl) + "&DocType0=" + UrlEncode(plan.DocType) +
                                    "&RateNum0=" + std::to_string(plan.RateNum);
        SendMessagePage(which + " was not " + HtmlText(done) + ": it was changed" + by +
                            ", after this form was opened. Nothing was changed.",
                        "Click here to open the plan afresh", address, "+1", "");
    }
    EndRun();
}

}  // namespace vd
