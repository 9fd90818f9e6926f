// Removes a stored rate plan (the DELETE button of the rate plan form),
// once asked: the first post shows the plan with a button that posts again
// with the confirmation field.
#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/Transaction.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/ChangeRecord.h"
#include "pages/FormVersion.h"
#include "pages/Pages.h"
#include "pages/PostedPlanKey.h"
#include "pages/RatePlanText.h"
#include "settings/IniFiles.h"

namespace vd {

namespace {

void SendShownRow(const char* label, const Html& value) {
    SendLine("<tr><td align=right>" + HtmlText(label) + "</td>");
    SendLine("<td><b>" + value + "</b></td></tr>");
}

// The question: the plan, and the DELETE button of a form that posts the
// same plan with its version and the confirmation.
void SendDeleteQuestion(RunContext& run, const std::string& description, const std::string& version) {
    SendHeader();
    SendTop();
    SendLine("<form action=" + HtmlQuoted(run.FormAction()) + " method=\"POST\">");
    SendLine(HiddenInput("ConfigOption", "SAVEPLAN"));
    SendLine(HiddenInput("Appl", run.Plan.Appl));
    SendLine(HiddenInput("DocType", run.Plan.DocType));
    SendLine(HiddenInput("RateNum", std::to_string(run.Plan.RateNum)));
    SendLine(HiddenInput(PlanVersionField, version));
    SendLine(HiddenInput(ConfirmDeleteField, "YES"));
    SendLine(
        "<B><I><CENTER><FONT SIZE=3 COLOR=#99000>Delete this rate plan? This cannot be undone.</FONT></I></B></p>");
    SendLine("<TABLE CELLPADDING=2 CELLSPACING=2 BORDER=1 bgcolor=#FFFFCC>");
    SendShownRow("Application", HtmlText(run.Plan.Appl));
    SendShownRow("Database", HtmlText(run.Plan.DocType));
    SendShownRow("Plan number", HtmlNumber(run.Plan.RateNum));
    SendShownRow("Billing Plan", HtmlText(description));
    SendLine("</table></center>");
    SendLine("<br>");
    SendLine(SubmitButton("DataAction", "DELETE") + "&nbsp;&nbsp;" +
             Link(RatePlansAddress(run), "Keep the plan and return to the rate plan screen"));
    SendLine("</form>");
    SendBottom();
}

}  // namespace

void DeleteRatePlan(RunContext& run) {
    const clsRate_Schedule rs;
    ReadPostedPlanKey(run);
    PlanChange change(run, "deleted");
    OdbcConnection& connection = change.Connection;
    TableInfo& record = change.Record;
    // A form that says which row it was drawn from deletes only that row,
    // checked under the lock that plan changes share. The lock comes before
    // the database's, as it does for a save.
    const bool versioned = Posted(PlanVersionField);
    if (versioned) change.LockPlans();
    OdbcTransaction transaction(connection);
    DebugLog("seeking Appl " + run.Plan.Appl + " Doctype " + run.Plan.DocType + " Rate_Level " +
             std::to_string(run.Plan.RateNum));

    const Html plan = HtmlText(run.Plan.Appl) + " - Database " + HtmlText(run.Plan.DocType);
    if (!SeekPlan(record, connection, run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum)) {
        if (versioned) SendStalePlan(run, change.Trail.Path(), "deleted", true);
        SendMessagePage("Rate plan #" + HtmlNumber(run.Plan.RateNum) + " not found for Application " + plan, "", "",
                        "+1", "");
        EndRun();
    }
    const std::string description = record.Field(rs.Rate_Description).Value.Text();
    const std::string version = RowVersion(record);
    if (versioned && !PostedVersionIs(PlanVersionField, version))
        SendStalePlan(run, change.Trail.Path(), "deleted", false);
    if (UCase(GetField(ConfirmDeleteField)) != "YES") {
        DebugLog("Rate plan not deleted yet: asking first");
        transaction.Rollback();
        change.Lock.reset();
        change.Closing.Close();
        SendDeleteQuestion(run, description, version);
        EndRun();
    }
    const std::optional<TableInfo> before = record;
    const int deleted = DeleteRec(rs.TableName, rs.KeyList, record, connection, 1);
    if (deleted > 0) {
        AuditEntry entry = PlanEntry(run, "plan deleted");
        entry.Changes = RowChanges(before, std::nullopt);
        CommitRecorded(change.Trail, entry, transaction);
    } else {
        transaction.Rollback();
    }
    change.Closing.Close();
    if (deleted > 0)
        SendMessagePage("Rate plan " + HtmlText(description) + " has been deleted for Application " + plan,
                        "Click here to return to the rate plan screen", RatePlansAddress(run), "+1", "");
    else
        SendMessagePage("Rate plan #" + HtmlNumber(run.Plan.RateNum) + " could not be deleted for Application " + plan,
                        "", "", "+1", "");
    EndRun();
}

}  // namespace vd
