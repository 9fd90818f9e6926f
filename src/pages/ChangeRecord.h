// What the pages that change something put on the audit trail: who asked,
// and the columns of a rate plan row before and after.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/ODBCAPI.h"
#include "data/OpenTable.h"
#include "data/TableInfo.h"
#include "data/tables/RatePlan.h"
#include "settings/AuditTrail.h"

namespace vd {

struct RunContext;

// The audit trail in the folder that really holds vexweb.ini
// (RunContext::SettingsFolder), opened before a change is made; a failure
// to open it names the file in the web server's log.
AuditTrail OpenAuditTrail(const std::string& settingsFolder);

// One rate plan change (a save or a delete), made once the posted plan key
// is read and checked (PostedPlanKey.h): a request with a bad key touches
// no file. Made, it opens the audit trail (a change it cannot record is not
// made), then Rate_Schedule into Record on Connection. A table that
// cannot be opened is logged as "Rate plan not <done>: Rate_Schedule could
// not be opened" and its failure goes on. The table closes when the change
// ends, or at Closing.Close().
struct PlanChange {
    PlanChange(RunContext& run, const char* done);

    // Takes the new-plan lock beside the trail, unless it is held already:
    // plan changes that check what their form was drawn from, and new plans,
    // hold it until the change is stored. Under it, a pending record of a
    // new plan from a form with a token (left by a run that ended before its
    // confirmation) is settled: confirmed when the plan was stored, else
    // copied as failed.
    void LockPlans();

    const std::string Folder;  // the settings folder: the trail and the lock live there
    OdbcConnection Connection;
    TableInfo Record;
    TableCloser Closing{Record, Connection};
    AuditTrail Trail;
    std::optional<NewPlanLock> Lock;
};

// The end of a change made in a transaction: the entry is appended as
// pending, the transaction committed, and the entry appended again as its
// confirmation. A commit the database refuses appends the entry as failed
// instead, and its failure goes on. So a run ended at any moment leaves no
// record of a change that did not happen: at most a pending one, which
// --history shows as not confirmed. A confirmation that cannot be written
// after the commit is named in the web server's log; the change stands.
class OdbcTransaction;
void CommitRecorded(AuditTrail& trail, AuditEntry& entry, OdbcTransaction& transaction);

// The run's user (RunContext::User) and the web server's REMOTE_USER and
// REMOTE_ADDR.
AuditWho RequestWho(const RunContext& run);

// The stored row of the plan key, read into a record of its own (named
// name) shaped like the opened table's; nothing when there is none.
std::optional<TableInfo> StoredPlan(const TableInfo& table, OdbcConnection& connection, const std::string& appl,
                                    const std::string& docType, std::int16_t rateNum, const std::string& name);

// Every column of Rate_Schedule whose value differs between the two rows (a
// missing row has no values), in the table's column order, named as the
// catalogue names it (not as the driver spells it).
std::vector<AuditChange> RowChanges(const std::optional<TableInfo>& before, const std::optional<TableInfo>& after);

// An entry for a change of the run's plan key, by the run's user.
AuditEntry PlanEntry(const RunContext& run, const std::string& action);

}  // namespace vd
