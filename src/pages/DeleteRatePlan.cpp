// Removes a stored rate plan (the DELETE button of the rate plan form).
#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Request.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/Transaction.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/ChangeRecord.h"
#include "pages/Pages.h"
#include "pages/PostedPlanKey.h"
#include "pages/RatePlanText.h"
#include "settings/IniFiles.h"

namespace vd {

void DeleteRatePlan(RunContext& run) {
    ReadPostedPlanKey(run);
    const clsRate_Schedule rs;
    OdbcConnection connection;
    TableInfo record;
    TableCloser closing(record, connection);
    AuditTrail trail = OpenPlanChange(run, connection, record, "deleted");
    OdbcTransaction transaction(connection);
    transaction.Begin();
    DebugLog("seeking Appl " + run.Plan.Appl + " Doctype " + run.Plan.DocType + " Rate_Level " +
             std::to_string(run.Plan.RateNum));

    const Html plan = HtmlText(run.Plan.Appl) + " - Database " + HtmlText(run.Plan.DocType);
    if (!SeekPlan(record, connection, run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum)) {
        SendMessagePage("Rate plan #" + HtmlNumber(run.Plan.RateNum) + " not found for Application " + plan, "", "",
                        "+1", "");
        EndRun();
    }
    const std::string description = record.Field(rs.Rate_Description).Value.Text();
    const std::optional<TableInfo> before = record;
    const int deleted = DeleteRec(rs.TableName, rs.KeyList, record, connection, 1);
    if (deleted > 0) {
        AuditEntry entry = PlanEntry("plan deleted", run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum);
        entry.Changes = RowChanges(before, std::nullopt);
        CommitRecorded(trail, entry, transaction);
    } else {
        transaction.Rollback();
    }
    closing.Close();
    if (deleted > 0)
        SendMessagePage("Rate plan " + HtmlText(description) + " has been deleted for Application " + plan,
                        "Click here to return to the rate plan screen", RatePlansAddress(run), "+1", "");
    else
        SendMessagePage("Rate plan #" + HtmlNumber(run.Plan.RateNum) + " could not be deleted for Application " + plan,
                        "", "", "+1", "");
    EndRun();
}

}  // namespace vd
