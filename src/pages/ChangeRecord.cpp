#include "pages/ChangeRecord.h"

#include "base/DebugLog.h"
#include "cgi/Request.h"
#include "base/FailureLog.h"
#include "data/OpenTable.h"
#include "data/Databases.h"
#include "data/Transaction.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/PostedPlanKey.h"
#include "pages/RunContext.h"
#include "settings/IniFiles.h"


namespace vd {

AuditTrail OpenAuditTrail(const std::string& settingsFolder) {
    Doing doing("writing " + settingsFolder + "/" + AuditFileName);
    return AuditTrail(settingsFolder);
}

namespace {
// The posted key is checked first: a request with a bad key touches no file.
AuditTrail PostedKeyThenTrail(RunContext& run, const std::string& settingsFolder) {
    ReadPostedPlanKey(run);
    return OpenAuditTrail(settingsFolder);
}
}  // namespace

PlanChange::PlanChange(RunContext& run, const char* done)
    : Folder(run.SettingsFolder()), Trail(PostedKeyThenTrail(run, Folder)) {
    DebugLog("Opening Rate_Schedule");
    try {
        InitWVDAccounting(run.Data, Connection, clsRate_Schedule{}.TableName, Record);
    } catch (const DbError&) {
        DebugLog(std::string("Rate plan not ") + done + ": Rate_Schedule could not be opened");
        throw;
    }
}

void PlanChange::LockPlans() {
    if (Lock) return;
    Doing doing("locking " + NewPlanLock::PathIn(Folder));
    Lock.emplace(Folder);
}

void CommitRecorded(AuditTrail& trail, AuditEntry& entry, OdbcTransaction& transaction) {
    trail.Append(entry);
    try {
        transaction.Commit();
    } catch (const DbError&) {
        entry.Failure = "the database did not commit the change";
        trail.Append(entry);
        throw;
    }
}

AuditWho RequestWho() { return {GetField("User"), EnvValue("REMOTE_USER"), EnvValue("REMOTE_ADDR")}; }

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
    std::vector<AuditChange> changes;
    for (int i = 0; i < shape.FieldCount; ++i) {
        std::optional<std::string> old, now;
        if (before && i < before->FieldCount && !before->Field(i).Value.IsEmpty()) old = before->Field(i).Value.Text();
        if (after && i < after->FieldCount && !after->Field(i).Value.IsEmpty()) now = after->Field(i).Value.Text();
        if (old != now) changes.push_back({"", shape.Field(i).Name, old, now});
    }
    return changes;
}

AuditEntry PlanEntry(const std::string& action, const std::string& appl, const std::string& docType,
                     std::int16_t rateNum) {
    AuditEntry entry;
    entry.Action = action;
    entry.Who = RequestWho();
    entry.Application = appl;
    entry.Database = docType;
    entry.Plan = rateNum;
    return entry;
}

}  // namespace vd
