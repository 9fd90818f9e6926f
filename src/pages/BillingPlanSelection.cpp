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
#include "pages/Pages.h"
#include "pages/RunValues.h"

namespace vd {

namespace {

const std::string Q = "\"";

void SendRowHead(int row, const std::string& appl, const std::string& docType, const std::string& description) {
    const std::string i = std::to_string(row);
    SendLine("<td>" + HtmlText(description));
    SendLine("<input type=hidden name=Appl" + i + " value=" + HtmlBareAttr(appl) + "></td>");
    SendLine("<input type=hidden name=DocType" + i + " value=" + HtmlBareAttr(docType) + "></td>");
    SendLine("<td><select name='RateNum" + i + "'>");
    if (UserIsSupervisor) SendLine("<option value=N>new");
}

}  // namespace

void MakeHTMLBillingPlan(const std::string& heading, const std::string& action, const std::string& method) {
    const clsDocumentTypes dt;
    const clsRate_Schedule rs;
    OdbcConnection paramsConnection, billingConnection;
    TableInfo docTypes, plans;
    TableCloser closeDocTypes(docTypes, paramsConnection), closePlans(plans, billingConnection);

    DebugLog("open DocumentTypes table");
    InitParams(paramsConnection, dt.TableName, docTypes);
    {  // the page, written while both tables are open
        DebugLog("open billing table");
        InitWVDAccounting(billingConnection, rs.TableName, plans);

        SendHeader();
        SendTop("");
        SendLine("<B><I><FONT COLOR=" + Q + "#99000" + Q + "><FONT SIZE=+1>" + heading + "</FONT></I></B></p>");
        SendLine("<TABLE WIDTH=100% CELLPADDING=0 CELLSPACING=0 BORDER=1>");
        SendLine("<form action=" + Q + HtmlAttr(action) + Q + " method=" + Q + method + Q + ">");
        SendLine("<input type=hidden name=ConfigOption value=" + Q + "SHOWPLAN" + Q + ">");
        SendLine("<td bgcolor=#000000><font color=#FFFFFF><b>Database</b></font></td>");
        SendLine("<td bgcolor=#000000><font color=#FFFFFF><b>Select a Billing Plan</b></font></td></tr>");

        SeekRec(dt.TableName, "", docTypes, paramsConnection, "order by Doctypedesc");
        int row = 0;
        while (!docTypes.Eof) {
            if (row == 32767) Raise(Err::Overflow);
            ++row;
            const std::string appl = docTypes.Field(dt.DocTypeAppl).Value.Text();
            const std::string docType = docTypes.Field(dt.DocTypeId).Value.Text();
            const std::string description = docTypes.Field(dt.DocTypeDesc).Value.Text();
            if (DebugLogging()) DebugLog("Appl=" + appl + " Doctype=" + docType);

            std::string sql = "select * from Rate_Schedule where application = '" + FixQuotes(appl) +
                              "' and DocType = '" + FixQuotes(docType) + "'";
            if (!UserIsSupervisor) sql += " and Hide_level = 0";
            if (DebugLogging()) DebugLog("MakeHTMLBillingPlan: SQL=" + sql);
            ODBCExecSQL(sql, billingConnection, plans);
            if (DebugLogging()) DebugLog(std::to_string(plans.RecordCount) + " found");

            bool shown = false;
            if (!plans.NoMatch) {
                const std::string firstAppl = plans.Field(rs.application).Value.Text();
                const std::string firstDocType = plans.Field(rs.DocType).Value.Text();
                if (DebugLogging()) DebugLog("Found Rate plans for " + firstAppl + "-" + firstDocType);
                if (firstAppl == appl && firstDocType == docType) {
                    if (DebugLogging()) DebugLog("Rate plan found for " + appl + "-" + docType);
                    SendRowHead(row, appl, docType, description);
                    shown = true;
                }
                while (!plans.Eof && plans.Field(rs.application).Value.Text() == appl &&
                       plans.Field(rs.DocType).Value.Text() == docType) {
                    SendLine("<option value=" + HtmlBareAttr(plans.Field(rs.RateNum).Value.Text()) + ">" +
                             HtmlText(plans.Field(rs.Rate_Description).Value.Text()));
                    ODBCMoveNext(plans);
                }
            } else if (UserIsSupervisor) {
                SendRowHead(row, appl, docType, description);
                shown = true;
            }
            if (shown) {
                SendLine("</select></td><td>");
                SendLine("<input type=submit name=Rate" + std::to_string(row) + " value=" + Q +
                         (UserIsSupervisor ? "Modify Plan" : "Review Plan") + Q + "><br>");
                SendLine("</td><tr>");
            }
            ODBCMoveNext(docTypes);
        }
        SendLine("</td></tr></table>");
        SendLine("</form>");
        SendBottom();

        closePlans.Close();
        closeDocTypes.Close();
        DebugLog("end of html");
    }
}

}  // namespace vd
