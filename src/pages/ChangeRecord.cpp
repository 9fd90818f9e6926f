#include "pages/ChangeRecord.h"

#include "base/DebugLog.h"
#include "cgi/Request.h"
#include "base/FailureLog.h"
#include "base/RunError.h"
#include "data/OpenTable.h"
#include "data/Databases.h"
#include "data/Transaction.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/RunContext.h"
#include "settings/AuditLookup.h"
#include "settings/IniFiles.h"

#include <algorithm>
#include <cstdlib>


namespace vd {

AuditTrail OpenAuditTrail(const std::string& settingsFolder) {
    Doing doing("writing " + AuditTrailPath(settingsFolder));
    return AuditTrail(settingsFolder);
}

PlanChange::PlanChange(RunContext& run, const char* done) : Folder(run.SettingsFolder()), Trail(OpenAuditTrail(Folder)) {
    DebugLog("Opening Rate_Schedule");
    try {
        InitWVDAccounting(run.Data, Connection, clsRate_Schedule{}.TableName, Record);
    } catch (const DbError&) {
        DebugLog(std::string("Rate plan not ") + done + ": Rate_Schedule could not be opened");
        throw;
    }
}

namespace {

// Whether the new plan of a pending record was stored. The next record of
// its key on the trail knows: a plan added again under its number found
// the number free, a plan updated or deleted found the row. Without one,
// the row as it is tells: it holds the values the record gave it.
bool NewPlanStored(std::string_view pending, std::string_view later, const TableInfo& table,
                   OdbcConnection& connection) {
    const std::string appl = AuditMember(pending, "application"), docType = AuditMember(pending, "database");
    const size_t at = pending.find(",\"plan\":");
    const long number = at == pending.npos ? -1 : std::strtol(pending.data() + at + 8, nullptr, 10);
    if (number < 0 || number >= NewPlan)
        Raise(Err::PathFileAccess, "A pending record of the audit trail names no plan: " + std::string(pending));
    const std::string key = AuditKeyText(appl, docType, static_cast<int>(number));
    for (size_t from = 0; from < later.size();) {
        const size_t end = std::min(later.find('\n', from), later.size());
        const std::string_view record = later.substr(from, end - from);
        from = end + 1;
        if (record.find(key) != record.npos) return AuditMember(record, "action") != "plan added";
    }
    const auto row = StoredPlan(table, connection, appl, docType, static_cast<std::int16_t>(number), "PlanPending");
    if (!row) return false;
    AuditEntry values;
    values.Changes = RowChanges(std::nullopt, row);
    std::string line = AuditLine(values, 0);
    line.pop_back();  // the line end
    const std::string_view changes = std::string_view(line).substr(line.find(",\"changes\":"));
    return pending.substr(pending.find(",\"changes\":")) == changes;
}

}  // namespace

void PlanChange::LockPlans() {
    if (Lock) return;
    {
        Doing doing("locking " + NewPlanLock::PathIn(Folder));
        Lock.emplace(Folder);
    }
    // A new plan from a form with a token is recorded, committed and
    // confirmed under this lock, so its record is still pending only when
    // its run ended between the record and the confirmation. What became
    // of it is settled here, before a second post of that form asks.
    Doing doing("settling " + Trail.Path());
    const std::string trail = ReadAuditTrail(Trail.Path());
    for (const std::string_view pending : UnconfirmedRecords(trail, ",\"token\":\"")) {
        const bool stored = NewPlanStored(pending, RecordsAfter(trail, pending), Record, Connection);
        DebugLog(std::string("A pending new plan record is settled as ") + (stored ? "stored" : "not stored"));
        Trail.Settle(pending, stored ? "" : "the change was not committed");
    }
}

void CommitRecorded(AuditTrail& trail, AuditEntry& entry, OdbcTransaction& transaction) {
    entry.Pending = true;
    trail.Append(entry);
    entry.Pending = false;
    try {
        transaction.Commit();
    } catch (const DbError&) {
        entry.Failure = "the database did not commit the change";
        trail.Append(entry);
        throw;
    }
    // The change is made: a confirmation that cannot be written leaves the
    // record pending, which the web server's log names; the page still
    // says what happened.
    try {
        Doing doing("confirming the record on " + trail.Path());
        trail.Append(entry);
    } catch (const RunError& failure) {
        LogFailure(std::to_string(failure.Number), failure.Text + " (the record of a committed change stays pending)");
    }
}

AuditWho RequestWho(const RunContext& run) { return {run.User, EnvValue("REMOTE_USER"), EnvValue("REMOTE_ADDR")}; }

std::optional<TableInfo> StoredPlan(const TableInfo& table, OdbcConnection& connection, const std::string& appl,
                                    const std::string& docType, std::int16_t rateNum, const std::string& name) {
    TableInfo row = table;
    row.Name = name;
    TableCloser closing(row);
    const bool found = SeekPlan(row, connection, appl, docType, rateNum);
    closing.Close();
    if (!found) return std::nullopt;
    return row;
}

std::vector<AuditChange> RowChanges(const std::optional<TableInfo>& before, const std::optional<TableInfo>& after) {
    const TableInfo& shape = after ? *after : *before;
    const auto& names = clsRate_Schedule::ColumnNames;
    std::vector<AuditChange> changes;
    for (int i = 0; i < shape.FieldCount; ++i) {
        std::optional<std::string> old, now;
        if (before && i < before->FieldCount && !before->Field(i).Value.IsEmpty()) old = before->Field(i).Value.Text();
        if (after && i < after->FieldCount && !after->Field(i).Value.IsEmpty()) now = after->Field(i).Value.Text();
        // The catalogue's name, whatever spelling the driver reports; a
        // column the catalogue does not know keeps the driver's.
        const std::string name = static_cast<size_t>(i) < names.size() ? names[static_cast<size_t>(i)] : shape.Field(i).Name;
        if (old != now) changes.push_back({"", name, old, now});
    }
    return changes;
}

AuditEntry PlanEntry(const RunContext& run, const std::string& action) {
    AuditEntry entry;
    entry.Action = action;
    entry.Who = RequestWho(run);
    entry.Application = run.Plan.Appl;
    entry.Database = run.Plan.DocType;
    entry.Plan = run.Plan.RateNum;
    return entry;
}

}  // namespace vd
