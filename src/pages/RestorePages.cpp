// What the history page puts back, once asked and confirmed: a kept
// version of vexweb.ini, through the same commit as a settings save, and
// a deleted rate plan under its number, in one transaction with its record.
#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/Numbers.h"
#include "base/PlainFiles.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/Transaction.h"
#include "data/tables/Catalogue.h"
#include "data/tables/DocumentTypes.h"
#include "data/tables/RatePlan.h"
#include "pages/ChangeList.h"
#include "pages/ChangeRecord.h"
#include "pages/FormVersion.h"
#include "pages/Pages.h"
#include "pages/PostedPlanKey.h"
#include "settings/AuditLookup.h"
#include "settings/AuditRecords.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"
#include "settings/SettingsVersion.h"

#include <fcntl.h>

namespace vd {

namespace {

constexpr char ConfirmRestoreField[] = "ConfirmRestore";

bool Confirmed() { return UCase(GetField(ConfirmRestoreField)) == "YES"; }

[[noreturn]] void Refuse(RunContext& run, const Html& message) {
    SendMessagePage(message + " Nothing was written.", "Click here to return to the history of changes",
                    HistoryAddress(run), "+1", "");
    EndRun();
}

// The kept version's bytes; nothing when the name is not one of a regular
// file in the versions folder (a link there is not followed).
std::optional<std::string> KeptVersion(const std::string& settingsFolder, const std::string& name) {
    if (!IsVersionName(name)) return std::nullopt;
    const OpenFd folder(::open(VersionFolder(settingsFolder).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.fd < 0) return std::nullopt;
    std::string why, text;
    const OpenFd file(OpenPlainFile(folder.fd, name, why));
    if (file.fd < 0 || !ReadWhole(file.fd, text)) return std::nullopt;
    return text;
}

std::vector<AuditChange> AsAuditChanges(const std::vector<IniKeyChange>& keys) {
    std::vector<AuditChange> changes;
    for (const IniKeyChange& k : keys) changes.push_back({k.Section, k.Key, k.Old, k.New});
    return changes;
}

void SendSettingsQuestion(RunContext& run, const std::string& name, const std::vector<AuditChange>& changes) {
    SendHeader();
    SendTop();
    SendLine("<form action=" + HtmlQuoted(run.FormAction()) + " method=\"POST\">");
    SendLine(HiddenInput("ConfigOption", "RESTOREINI"));
    SendLine(HiddenInput("Version", name));
    SendLine(HiddenInput(IniVersionField, IniFileVersion(run.Settings.File)));
    SendLine(HiddenInput(ConfirmRestoreField, "YES"));
    SendLine("<B><I><CENTER><FONT SIZE=3 COLOR=#99000>Put the settings of " + HtmlText(name) +
             " back? These keys of vexweb.ini would change (now -&gt; then):</FONT></I></B></CENTER>");
    SendLine(ChangesBlock(run, changes));
    SendLine("<br><center>" + SubmitButton("DataAction", "RESTORE") + "&nbsp;&nbsp;" +
             Link(HistoryAddress(run), "Keep the settings as they are") + "</center>");
    SendLine("</form>");
    SendBottom();
}

Html PlanName(const PlanKey& plan) {
    return "Rate plan #" + HtmlNumber(plan.RateNum) + " of Application " + HtmlText(plan.Appl) + " - Database " +
           HtmlText(plan.DocType);
}

// The fields of the plan as the deletion's record holds them, each as a
// change from nothing to its value; nothing when the trail has no
// deletion of that plan at that time that happened.
std::optional<std::vector<AuditChange>> DeletedFields(const std::string& trailPath, const PlanKey& plan,
                                                      const std::string& deleted) {
    if (deleted.empty() || deleted.find_first_of("\"\\") != deleted.npos) return std::nullopt;
    const std::string trail = ReadAuditTrail(trailPath);
    const auto found = LastChange(trail, "{\"time\":\"" + deleted + "\",",
                                  "\"action\":\"plan deleted\"," + AuditKeyText(plan.Appl, plan.DocType, plan.RateNum));
    AuditJson record;
    if (!found || !ParseAuditRecord(*found, record) || record.Str("action") != "plan deleted" ||
        record.Str("time") != deleted)
        return std::nullopt;
    std::vector<AuditChange> fields;
    for (const AuditChange& c : ChangesOf(record)) fields.push_back({"", c.Field, std::nullopt, c.Old});
    return fields;
}

// A recorded text as its column stores it.
FieldValue Typed(const FieldEntry& column, const std::optional<std::string>& text) {
    if (!text) return {};
    switch (column.Type) {
        case FieldType::Bit:
        case FieldType::TinyInt:
        case FieldType::SmallInt:
        case FieldType::Integer:
        case FieldType::BigInt:
            return static_cast<std::int64_t>(Val(*text));
        case FieldType::Numeric:
        case FieldType::Real:
        case FieldType::Double:
            return Val(*text);
        default:
            return *text;
    }
}

// Every column from the recorded fields; a column the record does not name
// stays empty.
void FillRecordedRow(TableInfo& record, const std::vector<AuditChange>& fields) {
    const auto& names = clsRate_Schedule::ColumnNames;
    for (int i = 0; i < record.FieldCount; ++i) {
        FieldEntry& column = record.Field(i);
        const std::string name = static_cast<size_t>(i) < names.size() ? names[static_cast<size_t>(i)] : column.Name;
        column.Value = FieldValue();
        for (const AuditChange& f : fields)
            if (EqualsNoCase(f.Field, name)) column.Value = Typed(column, f.New);
    }
}

void SendPlanQuestion(RunContext& run, const std::vector<AuditChange>& fields, const std::string& deleted) {
    SendHeader();
    SendTop();
    SendLine("<form action=" + HtmlQuoted(run.FormAction()) + " method=\"POST\">");
    SendLine(HiddenInput("ConfigOption", "RESTOREPLAN"));
    SendLine(HiddenInput("Appl", run.Plan.Appl));
    SendLine(HiddenInput("DocType", run.Plan.DocType));
    SendLine(HiddenInput("RateNum", std::to_string(run.Plan.RateNum)));
    SendLine(HiddenInput("Deleted", deleted));
    SendLine(HiddenInput(ConfirmRestoreField, "YES"));
    SendLine("<B><I><CENTER><FONT SIZE=3 COLOR=#99000>Put " + PlanName(run.Plan) + " back, as it was deleted at " +
             HtmlText(deleted) + "? It comes back with these fields:</FONT></I></B></CENTER>");
    SendLine(ChangesBlock(run, fields));
    SendLine("<br><center>" + SubmitButton("DataAction", "RESTORE") + "&nbsp;&nbsp;" +
             Link(HistoryAddress(run), "Leave the plan deleted") + "</center>");
    SendLine("</form>");
    SendBottom();
}

}  // namespace

void RestoreSettingsVersion(RunContext& run) {
    const std::string name = GetField("Version");
    const std::optional<std::string> kept = KeptVersion(run.SettingsFolder(), name);
    if (!kept) {
        DebugLog("Settings not restored: no kept version " + name);
        Refuse(run, "Settings not restored: &quot;" + HtmlText(name) + "&quot; is not a kept version of vexweb.ini.");
    }
    const std::string& file = run.Settings.File;
    if (!Confirmed()) {
        SendSettingsQuestion(run, name, AsAuditChanges(IniTextChanges(IniFileText(file), *kept)));
        EndRun();
    }
    if (!IsFormVersion(GetField(IniVersionField)))
        Refuse(run, "Settings not restored: this page was not drawn by this program. Open the history afresh and "
                    "put the version back from there.");
    AuditTrail trail = OpenAuditTrail(run.SettingsFolder());
    AuditEntry entry;
    entry.Action = "version restored";
    entry.Who = RequestWho(run);
    entry.Restored = name;
    SettingsRecorder recorder(trail, entry);
    VersionGuard guard(GetField(IniVersionField), recorder);
    IniEdit edit(file);
    edit.ReplaceAll(*kept);
    try {
        edit.Commit(&guard);
    } catch (const RunError&) {
        if (guard.Stale())
            Refuse(run, "Settings not restored: vexweb.ini was saved" + LastSettingsSaver(trail.Path()) +
                            ", after this page was opened.");
        if (FailureNamed()) throw;
        Doing doing("writing " + file);
        throw;
    }
    const std::string replaced = recorder.Entry().Version;
    SendMessagePage("vexweb.ini is now the kept version " + HtmlText(name) +
                        (replaced.empty() ? Html() : "; the file it replaced is kept as " + HtmlText(replaced)),
                    "Click here to return to the menu", run.FormAction(), "+1",
                    ChangesBlock(run, recorder.Entry().Changes));
    EndRun();
}

void RestoreDeletedPlan(RunContext& run) {
    const clsRate_Schedule rs;
    ReadPostedPlanKey(run, false);  // the database is checked below, the page saying it is gone
    PlanChange change(run, "put back");
    const std::string deleted = GetField("Deleted");
    const auto fields = DeletedFields(change.Trail.Path(), run.Plan, deleted);
    if (!fields)
        Refuse(run, PlanName(run.Plan) + " was not put back: the history has no deletion of it at &quot;" +
                        HtmlText(deleted) + "&quot;.");
    if (!NamesDatabase(run.Data, run.Plan.Appl, run.Plan.DocType))
        Refuse(run, PlanName(run.Plan) + " was not put back: its database no longer exists.");
    change.LockPlans();
    OdbcTransaction transaction(change.Connection);
    if (const auto taken = StoredPlan(change.Record, change.Connection, run.Plan.Appl, run.Plan.DocType,
                                      run.Plan.RateNum, "PlanTaken"))
        Refuse(run, PlanName(run.Plan) + " was not put back: its number is taken by the plan &quot;" +
                        HtmlText(taken->Field(rs.Rate_Description).Value.Text()) + "&quot;.");
    if (!Confirmed()) {
        transaction.Rollback();
        change.Lock.reset();
        change.Closing.Close();
        SendPlanQuestion(run, *fields, deleted);
        EndRun();
    }
    FillRecordedRow(change.Record, *fields);
    SetPlanKey(change.Record, run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum);
    ODBCAddNew(change.Connection, rs.TableName, change.Record);
    AuditEntry entry = PlanEntry(run, "plan restored");
    entry.Restored = deleted;
    entry.Changes = RowChanges(std::nullopt, StoredPlan(change.Record, change.Connection, run.Plan.Appl,
                                                        run.Plan.DocType, run.Plan.RateNum, "PlanAfter"));
    CommitRecorded(change.Trail, entry, transaction);
    change.Lock.reset();
    change.Closing.Close();
    SendMessagePage(PlanName(run.Plan) + " has been put back as it was deleted at " + HtmlText(deleted),
                    "Click here to return to the rate plan screen", run.FormAction() + "?ConfigOption=RATE PLANS",
                    "+1", ChangesBlock(run, entry.Changes));
    EndRun();
}

}  // namespace vd
