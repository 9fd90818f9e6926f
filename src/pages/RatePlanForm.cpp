// One rate plan: the editing form for a supervisor, the review page for
// anyone else, a row per field of the plan's description (RatePlan.h).
// RateNum NewPlan starts a plan from zeros and empty texts.
#include "base/DebugLog.h"
#include "base/RunError.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/FormVersion.h"
#include "pages/Pages.h"
#include "pages/PostedPlan.h"
#include "pages/RatePlanText.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

namespace vd {

namespace {

// The application's name, or the code when the parameters database does not
// know it; the same for the database's description. A parameters database
// that fails shows its error page, and the form goes on with the codes.
void ReadNames(RunContext& run, std::string& applicationName, std::string& description) {
    applicationName = run.Plan.Appl;
    description = run.Plan.DocType;
    OdbcConnection connection;
    try {
        const clsApplications ap;
        TableInfo applications;
        TableCloser closeApplications(applications);
        InitParams(run.Data, connection, ap.TableName, applications);
        applications.Field(ap.ApplicationID).Value = run.Plan.Appl;
        SeekRec(ap.TableName, ap.KeyList, applications, connection);
        if (!applications.NoMatch) applicationName = applications.Field(ap.ApplicationName).Value.Text();
        closeApplications.Close();
        const clsDocumentTypes dt;
        TableInfo docTypes;
        TableCloser closeDocTypes(docTypes, connection);
        InitParams(run.Data, connection, dt.TableName, docTypes);
        docTypes.Field(dt.DocTypeAppl).Value = run.Plan.Appl;
        docTypes.Field(dt.DocTypeId).Value = run.Plan.DocType;
        SeekRec(dt.TableName, dt.KeyList, docTypes, connection);
        if (!docTypes.NoMatch) description = docTypes.Field(dt.DocTypeDesc).Value.Text();
    } catch (const DbError& e) {
        ReportDbError(e);
    }
}

// Each input's label is tied to it by the input's id, the field's name.
Html Labelled(const std::string& field, const Html& label) {
    return "<label for=" + HtmlBare(field) + ">" + label + "</label>";
}

void SendHeaderRow(const char* label, const std::string& value) {
    SendLine("<tr><td align=right>" + HtmlText(label) + "</td>");
    SendLine("<td><b>" + HtmlText(value) + "</b></td></tr>");
}

// The label of a field's row; the all-pages fee says when it is charged per
// page of the document.
Html RowLabel(RunContext& run, const PlanField& field) {
    static const std::int16_t allPages = clsRate_Schedule{}.AllPages_Fee;
    Html label = HtmlText(field.Label);
    if (field.Column == allPages &&
        ReadDocTypeFlag(run.Settings.File, run.Plan.Appl, run.Plan.DocType, "AllPagesPerPage"))
        label += " <b>(PER PAGE)</b>";
    return label;
}

// What the input of a money, count or text field holds.
std::string InputValue(const PlanField& field, const PlanValue& value) {
    if (value.Typed) return value.Text;
    if (field.Kind == PlanKind::Money) return MoneyText(value.Number);
    if (field.Kind == PlanKind::Count) return std::to_string(static_cast<std::int16_t>(value.Number));
    return value.Text;
}

void SendInputRow(RunContext& run, const PlanField& field, const PlanValue& value) {
    SendLine("<tr><td align=right>" + Labelled(field.FormName, RowLabel(run, field)) + "</td>");
    SendLine("<td><INPUT TYPE=Text NAME=" + HtmlBare(field.FormName) + " ID=" + HtmlBare(field.FormName) +
             " VALUE=" + HtmlQuoted(InputValue(field, value)) + "></td></tr>");
}

void SendFlagRow(const PlanField& field, bool on) {
    SendLine("<tr><td align=right>" + Labelled(field.FormName, HtmlText(field.Label)) + "</td>");
    SendLine("<td>" + SelectTag(field.FormName, field.FormName));
    SendLine(OptionTag("YES", "YES", on));
    SendLine(OptionTag("NO", "NO", !on));
    SendLine("</select></td>");
}

// The rows of the fee table, in the order of the fields; only supervisors
// see the hide flag, and the policies follow the table.
void SendFieldRows(RunContext& run, const PlanValues& values) {
    bool anyPolicy = false;
    for (const PlanField& field : PlanFields()) {
        if (!PlanFieldUsed(field, run.Settings.ReportsAllowed, run.Settings.OCRAllowed)) continue;
        const PlanValue& value = ValueOf(values, field);
        if (field.Kind == PlanKind::Policy) {
            anyPolicy = anyPolicy || !value.Text.empty();
        } else if (field.Kind == PlanKind::Flag) {
            if (run.IsSupervisor) SendFlagRow(field, value.Number != 0);
        } else {
            SendInputRow(run, field, value);
        }
    }
    if (anyPolicy) SendLine("<tr><td></td><td><b>See policies below</B></td></tr>");
}

// A supervisor edits every policy; anyone else reads those that are set.
void SendPolicies(RunContext& run, const PlanValues& values) {
    for (const PlanField& field : PlanFields()) {
        if (field.Kind != PlanKind::Policy) continue;
        const std::string& text = ValueOf(values, field).Text;
        if (text.empty() && !run.IsSupervisor) continue;
        if (run.IsSupervisor)
            SendLine("<b>" + Labelled(field.FormName, HtmlText(field.Label)) + "</b>: " +
                     TextArea(field.FormName, text.size() >= 255 ? 8 : 4, 75, text, field.FormName) + "<P>");
        else
            SendLine("<b>" + HtmlText(field.Label) + "</b>: " + HtmlText(text) + "<P>");
    }
}

// drawnFrom: the hidden field that tells a supervisor's save what the form
// was drawn from (the stored row's version, or a new plan's one-time
// token); nothing for anyone else. The lines of a refused save go above
// the form.
void SendFormStart(RunContext& run, const Html& heading, const std::string& action, const std::string& method,
                   const Html& drawnFrom, const std::vector<std::string>& refusals = {}) {
    SendHeader();
    SendTop("");
    if (!refusals.empty())
        SendRefusalLines("Rate plan not saved. Correct what is named below and save again.", refusals);
    SendLine("<form action=" + HtmlQuoted(action) + " method=" + HtmlQuoted(method) + ">");
    SendLine(HiddenInput("ConfigOption", "SAVEPLAN"));
    SendLine(HiddenInput("Appl", run.Plan.Appl));
    SendLine(HiddenInput("DocType", run.Plan.DocType));
    SendLine(HiddenInput("RateNum", std::to_string(run.Plan.RateNum)));
    if (!drawnFrom.Empty()) SendLine(drawnFrom);
    SendLine("<B><I><CENTER><FONT SIZE=3 COLOR=#99000>" + heading + "</FONT></I></B></p>");
    SendLine("<TABLE CELLPADDING=2 CELLSPACING=2 BORDER=1 bgcolor=#FFFFCC>");
}

void SendButtons(RunContext& run) {
    if (!run.IsSupervisor) return;
    SendLine(SubmitButton("DataAction", "SAVE") + "&nbsp;&nbsp;");
    if (run.Plan.RateNum != NewPlan) SendLine(SubmitButton("DataAction", "DELETE"));
}

void SendFormRest(RunContext& run, const PlanValues& values, const std::string& applicationName,
                  const std::string& description) {
    SendHeaderRow("Application", applicationName);
    SendHeaderRow("Database", description);
    SendFieldRows(run, values);
    SendLine("</table></center>");
    SendLine("<br>");
    SendPolicies(run, values);
    SendButtons(run);
    SendLine("</form>");
    SendBottom();
}

}  // namespace

void RedrawRatePlanForm(RunContext& run, const PostedPlan& posted) {
    std::string applicationName, description;
    ReadNames(run, applicationName, description);
    // What the refused form was drawn from goes back with it, as posted.
    Html drawnFrom;
    for (const char* field : {PlanTokenField, PlanVersionField})
        if (Posted(field)) drawnFrom = HiddenInput(field, GetField(field));
    SendFormStart(run, SupervisorPlanHeading, run.FormAction(), "POST", drawnFrom, posted.Refusals);
    SendFormRest(run, posted.Values, applicationName, description);
    DebugLog("end of html");
}

void MakeHTMLRatePlan(RunContext& run, const Html& heading, const std::string& action, const std::string& method) {
    const clsRate_Schedule rs;
    OdbcConnection billingConnection;
    TableInfo plan;
    TableCloser closing(plan, billingConnection);

    DebugLog("Opening Rate_Schedule");
    InitWVDAccounting(run.Data, billingConnection, rs.TableName, plan);
    DebugLog("appl=" + run.Plan.Appl + " doctype=" + run.Plan.DocType + " ratenum=" + std::to_string(run.Plan.RateNum));
    std::string applicationName, description;
    ReadNames(run, applicationName, description);

    PlanValues values = EmptyPlan();
    if (run.Plan.RateNum != NewPlan) {
        DebugLog("Seeking Appl=" + run.Plan.Appl + " Doctype=" + run.Plan.DocType +
                 " Ratenum=" + std::to_string(run.Plan.RateNum));
        // Without a database no plan was chosen: a seek on the number
        // alone would find some other database's plan.
        if (run.Plan.Appl.empty() || run.Plan.DocType.empty() ||
            !SeekPlan(plan, billingConnection, run.Plan.Appl, run.Plan.DocType, run.Plan.RateNum)) {
            SendMessagePage("No rate plan selected or rate does not exist", "", "", "+1", "");
            EndRun();
        }
        values = ReadPlanValues(plan, run.Settings.ReportsAllowed, run.Settings.OCRAllowed);
    }
    DebugLog("after seek");

    Html drawnFrom;
    if (run.IsSupervisor)
        drawnFrom = run.Plan.RateNum == NewPlan ? HiddenInput(PlanTokenField, NewFormToken())
                                                : HiddenInput(PlanVersionField, RowVersion(plan));
    SendFormStart(run, heading, action, method, drawnFrom);
    SendFormRest(run, values, applicationName, description);

    closing.Close();
    DebugLog("end of html");
}

}  // namespace vd
