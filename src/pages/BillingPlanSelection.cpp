// The page from which a user picks a rate plan: every database with its plans.
#include "base/DebugLog.h"
#include "base/RunError.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "data/Connections.h"
#include "data/OpenTable.h"
#include "data/VDODBC.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/Pages.h"

namespace vd {

namespace {

void SendSelectionStart(const Html& heading, const std::string& action, const std::string& method) {
    SendHeader();
    SendTop("");
    SendLine(R"(<B><I><FONT COLOR="#99000"><FONT SIZE=+1>)" + heading + "</FONT></I></B></p>");
    SendLine("<TABLE WIDTH=100% CELLPADDING=0 CELLSPACING=0 BORDER=1>");
    SendLine("<form action=" + HtmlQuoted(action) + " method=" + HtmlQuoted(method) + ">");
    SendLine(HiddenInput("ConfigOption", "SHOWPLAN"));
    SendLine("<td bgcolor=#000000><font color=#FFFFFF><b>Database</b></font></td>");
    SendLine("<td bgcolor=#000000><font color=#FFFFFF><b>Select a Billing Plan</b></font></td></tr>");
}

void SendRowHead(RunContext& run, int row, const std::string& appl, const std::string& docType,
                 const std::string& description) {
    const std::string i = std::to_string(row);
    // The database's name labels its list of plans.
    SendLine("<td><label for=RateNum" + HtmlNumber(row) + ">" + HtmlText(description) + "</label>");
    SendLine(HiddenInput("Appl" + i, appl, Quoting::Bare) + "</td>");
    SendLine(HiddenInput("DocType" + i, docType, Quoting::Bare) + "</td>");
    SendLine("<td>" + SelectTag("RateNum" + i, "RateNum" + i));
    if (run.IsSupervisor) SendLine(OptionTag("N", "new"));
}

// The row of one database: its plans as the options of its list, from the
// plans read for it. A database without plans has a row for supervisors
// only (who may add one).
void SendDatabaseRow(RunContext& run, int row, const std::string& appl, const std::string& docType,
                     const std::string& description, TableInfo& plans) {
    const clsRate_Schedule rs;
    auto ofDatabase = [&] {
        return plans.Field(rs.application).Value.Text() == appl && plans.Field(rs.DocType).Value.Text() == docType;
    };
    bool shown = false;
    if (!plans.NoMatch) {
        if (DebugLogging())
            DebugLog("Found Rate plans for " + plans.Field(rs.application).Value.Text() + "-" +
                     plans.Field(rs.DocType).Value.Text());
        if (ofDatabase()) {
            if (DebugLogging()) DebugLog("Rate plan found for " + appl + "-" + docType);
            SendRowHead(run, row, appl, docType, description);
            shown = true;
        }
        while (!plans.Eof && ofDatabase()) {
            SendLine(OptionTag(plans.Field(rs.RateNum).Value.Text(), plans.Field(rs.Rate_Description).Value.Text()));
            ODBCMoveNext(plans);
        }
    } else if (run.IsSupervisor) {
        SendRowHead(run, row, appl, docType, description);
        shown = true;
    }
    if (!shown) return;
    SendLine("</select></td><td>");
    SendLine("<input type=submit name=Rate" + HtmlNumber(row) +
             " value=" + HtmlQuoted(run.IsSupervisor ? "Modify Plan" : "Review Plan") + "><br>");
    SendLine("</td><tr>");
}

}  // namespace

void MakeHTMLBillingPlan(RunContext& run, const Html& heading, const std::string& action, const std::string& method) {
    const clsDocumentTypes dt;
    const clsRate_Schedule rs;
    OdbcConnection paramsConnection, billingConnection;
    TableInfo docTypes, plans;
    TableCloser closeDocTypes(docTypes, paramsConnection), closePlans(plans, billingConnection);

    DebugLog("open DocumentTypes table");
    InitParams(run.Data, paramsConnection, dt.TableName, docTypes);
    DebugLog("open billing table");
    InitWVDAccounting(run.Data, billingConnection, rs.TableName, plans);
    SendSelectionStart(heading, action, method);

    SeekRec(dt.TableName, "", docTypes, paramsConnection, "order by Doctypedesc");
    int row = 0;
    while (!docTypes.Eof) {
        if (row == 32767) Raise(Err::Overflow);
        ++row;
        const std::string appl = docTypes.Field(dt.DocTypeAppl).Value.Text();
        const std::string docType = docTypes.Field(dt.DocTypeId).Value.Text();
        if (DebugLogging()) DebugLog("Appl=" + appl + " Doctype=" + docType);
        SelectDatabasePlans(plans, billingConnection, appl, docType, run.IsSupervisor);
        SendDatabaseRow(run, row, appl, docType, docTypes.Field(dt.DocTypeDesc).Value.Text(), plans);
        ODBCMoveNext(docTypes);
    }
    SendLine("</td></tr></table>");
    SendLine("</form>");
    SendBottom();

    closePlans.Close();
    closeDocTypes.Close();
    DebugLog("end of html");
}

}  // namespace vd
