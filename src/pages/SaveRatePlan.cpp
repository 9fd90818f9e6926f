// Stores the plan that a supervisor posted from the rate plan form: every
// field of the plan's description (RatePlan.h), in one transaction with its
// entry on the audit trail.
#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "base/FailureLog.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/Transaction.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "data/tables/PlanNumbering.h"
#include "data/tables/PlanTokens.h"
#include "data/tables/RatePlan.h"
#include "pages/ChangeList.h"
#include "pages/ChangeRecord.h"
#include "pages/FormVersion.h"
#include "pages/Pages.h"
#include "pages/PostedPlan.h"
#include "pages/PostedPlanKey.h"
#include "pages/RatePlanText.h"
#include "settings/AuditTrail.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

#include <ctime>
#include <optional>
#include <vector>

namespace vd {

namespace {

// The posted value of a field (checked already) as its column stores it; a
// field of a setting that is off is stored as 0.
FieldValue PostedValue(RunContext& run, const PlanField& field, const PlanValue& posted) {
    if (!PlanFieldUsed(field, run.Settings.ReportsAllowed, run.Settings.OCRAllowed)) return 0.0;
    switch (field.Kind) {
        case PlanKind::Money:
            return PostedNumber(posted);
        case PlanKind::Count:
            return CInt(PostedNumber(posted));
        case PlanKind::Flag:
            return posted.Number != 0 ? -1 : 0;
        case PlanKind::Text:
        case PlanKind::Policy:
            break;
    }
    return posted.Text;
}

// Every posted field into the record, in column order; gives the plan's
// name. An empty policy stays null (a cleared policy is removed), and one
// longer than its column is cut, which a notice says.
std::string StorePostedFields(RunContext& run, const PostedPlan& posted, TableInfo& record,
                              std::vector<std::string>& notices) {
    std::string name;
    for (const PlanField* field : PlanFieldsByColumn()) {
        FieldEntry& column = record.Field(field->Column);
        FieldValue value = PostedValue(run, *field, ValueOf(posted.Values, *field));
        if (field->Kind == PlanKind::Text) name = value.Text();
        if (field->Kind == PlanKind::Policy) {
            if (!value.IsFilled()) continue;
            bool cut = false;
            value = LimitPolicy(value.Text(), column.Size, cut);
            if (cut)
                notices.push_back(std::string(field->Label) + " is limited to " + std::to_string(column.Size) +
                                  " characters.");
        }
        column.Value = std::move(value);
    }
    return name;
}

// The plan key into the record. A new plan gets the smallest free number
// of its database, found inside the transaction that inserts it and under
// the database's numbering lock (PlanNumbering.h). True for a new plan.
bool KeyThePlan(RunContext& run, TableInfo& record, OdbcConnection& connection) {
    if (run.Plan.RateNum != NewPlan) {
        DebugLog("updating Appl " + run.Plan.Appl + " Doctype " + run.Plan.DocType + " Rate_Level " +
                 std::to_string(run.Plan.RateNum));
        SetPlanKey(record, run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum);
        return false;
    }
    LockPlanNumbering(connection, run.Plan.Appl, run.Plan.DocType);
    run.Plan.RateNum = NumberNewPlan(record, connection, run.Plan.Appl, run.Plan.DocType);
    DebugLog("adding Appl " + run.Plan.Appl + " Doctype " + run.Plan.DocType + " Rate_Level " +
             std::to_string(run.Plan.RateNum));
    return true;
}

// Stores the row; a new plan's token goes in beside it when the database
// keeps the tokens (keptToken not empty). A refusal goes on to the caller.
void StoreRow(RunContext& run, TableInfo& record, OdbcConnection& connection, bool isNew,
              const std::string& keptToken) {
    const clsRate_Schedule rs;
    if (!isNew) {
        UpdateRecInfo(rs.TableName, rs.KeyList, record, connection);
        return;
    }
    ODBCAddNew(connection, rs.TableName, record);
    if (!keptToken.empty())
        KeepPlanToken(connection, keptToken, {run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum},
                      IsoUtc(std::time(nullptr)));
}

// A new plan's row or token was refused by a key and its transaction rolled
// back: true when another program took the number meanwhile (the plan is
// numbered again) or saved the same form (the next try says so).
bool TakenMeanwhile(RunContext& run, TableInfo& record, OdbcConnection& connection, const std::string& keptToken) {
    if (!keptToken.empty() && FindPlanToken(connection, keptToken)) {
        DebugLog("the form's token was kept meanwhile by another program");
        return true;
    }
    if (!StoredPlan(record, connection, run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum, "PlanTaken")) return false;
    DebugLog("Rate_Level " + std::to_string(run.Plan.RateNum) + " was taken; numbering again");
    return true;
}

// How often a new plan is numbered and inserted when another program took
// the number between (its insert refused by the table's key).
constexpr int NewPlanTries = 5;

// The notices and the confirmation make one page.
void SendConfirmation(RunContext& run, const std::string& name, const std::vector<std::string>& notices,
                      const std::vector<AuditChange>& changes) {
    SendHeader();
    SendTop();
    for (const std::string& notice : notices) SendNoticeBody(HtmlText(notice));
    SendMessageBody("Rate plan " + HtmlText(name) + " has been saved for Application " + HtmlText(run.Plan.Appl) +
                        " - Database " + HtmlText(run.Plan.DocType),
                    "Click here to return to the rate plan screen", RatePlansAddress(run), "+1",
                    ChangesBlock(run, changes));
    DebugLog("open tblbot");
    SendBottom();
}

// A field that cannot be stored as typed brings the form back, as posted,
// before anything is opened or written; the run ends. Else the post.
PostedPlan CheckedPost(RunContext& run) {
    ReadPostedPlanKey(run);
    PostedPlan posted = ReadPostedPlan(run);
    if (posted.Refusals.empty()) return posted;
    for (const auto& refusal : posted.Refusals) DebugLog("Rate plan not saved: " + refusal);
    RedrawRatePlanForm(run, posted);
    EndRun();
}

// Commits the change with its record: written as pending before the
// commit and confirmed after it, a commit that fails recorded as failed.
// Gives the changes the record holds, as the confirmation lists them.
std::vector<AuditChange> CommitWithRecord(RunContext& run, PlanChange& change, const std::optional<TableInfo>& before,
                                          const std::string& token, OdbcTransaction& transaction) {
    AuditEntry entry = PlanEntry(run, before ? "plan updated" : "plan added");
    entry.Token = token;
    entry.Changes = RowChanges(before, StoredPlan(change.Record, change.Connection, run.Plan.Appl, run.Plan.DocType,
                                                  run.Plan.RateNum, "PlanAfter"));
    CommitRecorded(change.Trail, entry, transaction);
    return entry.Changes;
}

}  // namespace

void SaveRatePlan(RunContext& run) {
    const PostedPlan posted = CheckedPost(run);
    std::vector<std::string> notices;
    PlanChange change(run, "saved");
    OdbcConnection& connection = change.Connection;
    TableInfo& record = change.Record;
    // A form that says what it was drawn from is checked under the lock:
    // a new plan's token must not have been saved, a stored plan's row must
    // be the one the form showed.
    const bool versioned = run.Plan.RateNum != NewPlan && Posted(PlanVersionField);
    const bool tokened = run.Plan.RateNum == NewPlan && Posted(PlanTokenField);
    if (run.Plan.RateNum == NewPlan || versioned) change.LockPlans();
    // Where the tokens of saved forms are kept: the billing database's table
    // when it has one (every program folder sees it), else the trail.
    OdbcConnection* tokensIn = tokened && PlanTokensKept(connection) ? &connection : nullptr;
    std::string name;
    std::vector<AuditChange> changes;  // as the record has them
    for (int tries = 1;; ++tries) {
        // The row and its record take effect together, or neither does.
        OdbcTransaction transaction(connection);
        const std::string token = tokened ? FreshPlanToken(run, change.Trail.Path(), tokensIn) : std::string();
        const bool isNew = KeyThePlan(run, record, connection);
        const std::optional<TableInfo> before =
            isNew ? std::nullopt
                  : StoredPlan(record, connection, run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum, "PlanBefore");
        if (versioned && (!before || !PostedVersionIs(PlanVersionField, RowVersion(*before))))
            SendStalePlan(run, change.Trail.Path(), "saved", !before);
        notices.clear();
        name = StorePostedFields(run, posted, record, notices);

        const std::string keptToken = tokensIn ? token : std::string();
        try {
            StoreRow(run, record, connection, isNew, keptToken);
        } catch (const DbError& failure) {
            // A number, or the form's token, that another program took
            // meanwhile: try again in a new transaction (a refusal ends
            // PostgreSQL's).
            if (isNew && tries < NewPlanTries && IsKeyRefusal(failure)) {
                transaction.Rollback();
                if (TakenMeanwhile(run, record, connection, keptToken)) {
                    run.Plan.RateNum = NewPlan;
                    continue;
                }
            }
            // A refused duplicate among others.
            DebugLog("Rate plan not saved for Application " + run.Plan.Appl + " - Database " + run.Plan.DocType);
            throw;
        }
        changes = CommitWithRecord(run, change, before, token, transaction);
        break;
    }
    change.Lock.reset();
    change.Closing.Close();
    SendConfirmation(run, name, notices, changes);
    EndRun();
}

}  // namespace vd
