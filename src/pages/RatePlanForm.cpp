// One rate plan: the editing form for a supervisor, the review page for
// anyone else. RateNum NewPlan starts a plan from zeros and empty texts.
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
#include "pages/RatePlanText.h"
#include "pages/RunValues.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

namespace vd {

namespace {

const std::string Q = "\"";

struct Policy {
    const char* Label;
    const char* Field;
    std::string Text;
};

// The application's name, or the code when the parameters database does not
// know it; the same for the database's description. A parameters database
// that fails shows its error page, and the form goes on with the codes.
void ReadNames(std::string& applicationName, std::string& description) {
    applicationName = Appl;
    description = DocType;
    OdbcConnection connection;
    try {
        const clsApplications ap;
        TableInfo applications;
        TableCloser closeApplications(applications);
        InitParams(connection, ap.TableName, applications);
        applications.Field(ap.ApplicationID).Value = Appl;
        SeekRec(ap.TableName, ap.KeyList, applications, connection);
        if (!applications.NoMatch) applicationName = applications.Field(ap.ApplicationName).Value.Text();
        closeApplications.Close();
        const clsDocumentTypes dt;
        TableInfo docTypes;
        TableCloser closeDocTypes(docTypes, connection);
        InitParams(connection, dt.TableName, docTypes);
        docTypes.Field(dt.DocTypeAppl).Value = Appl;
        docTypes.Field(dt.DocTypeId).Value = DocType;
        SeekRec(dt.TableName, dt.KeyList, docTypes, connection);
        if (!docTypes.NoMatch) description = docTypes.Field(dt.DocTypeDesc).Value.Text();
    } catch (const DbError& e) {
        ReportDbError(e);
    }
}

// The found row's columns into RatePlan, the hide flag and the policies, in
// column order; what the table version lacks stays zero or empty.
void ReadPlan(const TableInfo& record, bool& hidden, Policy (&policies)[3]) {
    const clsRate_Schedule rs;
    auto money = [&](std::int16_t position) { return record.Field(position).Value.ToDouble(); };
    auto count = [&](std::int16_t position) { return record.Field(position).Value.ToInt16(); };
    RatePlan.Flat_Fee = money(rs.Flat_Fee);
    RatePlan.Search_Fee = money(rs.Search_Fee);
    RatePlan.NoHits_Fee = money(rs.NoHits_Fee);
    RatePlan.DocInfo_Fee = money(rs.DocInfo_Fee);
    RatePlan.AllPages_Fee = money(rs.AllPages_Fee);
    RatePlan.Page_Fee = money(rs.Page_Fee);
    RatePlan.Hits_Fee = money(rs.Hits_Fee);
    RatePlan.Max_Searches = count(rs.Max_Searches);
    RatePlan.Max_DocInfo = count(rs.Max_DocInfo);
    RatePlan.Max_DocView = count(rs.Max_DocView);
    RatePlan.Max_PageView = count(rs.Max_PageView);
    RatePlan.Rate_Description = record.Field(rs.Rate_Description).Value.Text();
    hidden = record.Field(rs.Hide_level).Value.ToBool();
    if (WebSettings.ReportsAllowed) RatePlan.Report_Fee = money(rs.Report_Fee);
    if (WebSettings.OCRAllowed) RatePlan.OCR_Fee = money(rs.OCR_Fee);
    if (HasPolicyColumns(record)) {
        policies[0].Text = record.Field(rs.Tax_Policy).Value.Text();
        policies[1].Text = record.Field(rs.Billing_Policy).Value.Text();
        policies[2].Text = record.Field(rs.Termination_Policy).Value.Text();
    }
    if (HasOverchargeColumns(record)) {
        RatePlan.Max_Searches_Overcharge = money(rs.Max_Searches_Overcharge);
        RatePlan.Max_DocInfo_Overcharge = money(rs.Max_DocInfo_Overcharge);
        RatePlan.Max_DocView_Overcharge = money(rs.Max_DocView_Overcharge);
        RatePlan.Max_PageView_Overcharge = money(rs.Max_PageView_Overcharge);
    }
}

void SendHeaderRow(const std::string& label, const std::string& value) {
    SendLine("<tr><td align=right>" + label + "</td>");
    SendLine("<td><b>" + HtmlText(value) + "</b></td></tr>");
}

void SendTextRow(const std::string& label, const std::string& field, const std::string& value) {
    SendLine("<tr><td align=right>" + label + "</td>");
    SendLine("<td><INPUT TYPE=Text NAME=" + field + " VALUE=" + Q + HtmlAttr(value) + Q + "></td></tr>");
}

void SendMoneyRow(const std::string& label, const std::string& field, double value) {
    SendTextRow(label, field, MoneyText(value));
}

void SendCountRow(const std::string& label, const std::string& field, std::int16_t value) {
    SendTextRow(label, field, std::to_string(value));
}

}  // namespace

void MakeHTMLRatePlan(const std::string& heading, const std::string& action, const std::string& method) {
    const clsRate_Schedule rs;
    OdbcConnection billingConnection;
    TableInfo plan;
    TableCloser closing(plan, billingConnection);
    bool hidden = false;
    Policy policies[3] = {{"Tax Policy", "Tax_Policy", ""},
                          {"Billing Policy", "Billing_Policy", ""},
                          {"Termination Policy", "Termination_Policy", ""}};

    DebugLog("Opening Rate_Schedule");
    InitWVDAccounting(billingConnection, rs.TableName, plan);
    {  // the page, written while the plan's table is open
        DebugLog("appl=" + Appl + " doctype=" + DocType + " ratenum=" + std::to_string(RateNum));
        std::string applicationName, description;
        ReadNames(applicationName, description);

        if (RateNum == NewPlan) {
            RatePlan = RatePlanRecord{};
        } else {
            DebugLog("Seeking Appl=" + Appl + " Doctype=" + DocType + " Ratenum=" + std::to_string(RateNum));
            // Without a database no plan was chosen: a seek on the number
            // alone would find some other database's plan.
            if (Appl.empty() || DocType.empty() || !SeekPlan(plan, billingConnection, Appl, DocType, RateNum)) {
                SendMessagePage("No rate plan selected or rate does not exist", "", "", "+1", "");
                EndRun();
            }
            ReadPlan(plan, hidden, policies);
        }
        DebugLog("after seek");

        SendHeader();
        SendTop("");
        SendLine("<form action=" + Q + HtmlAttr(action) + Q + " method=" + Q + method + Q + ">");
        SendLine("<input type=hidden name=ConfigOption value=" + Q + "SAVEPLAN" + Q + ">");
        SendLine("<input type=hidden name=Appl value=" + Q + HtmlAttr(Appl) + Q + ">");
        SendLine("<input type=hidden name=DocType value=" + Q + HtmlAttr(DocType) + Q + ">");
        SendLine("<input type=hidden name=RateNum value=" + Q + std::to_string(RateNum) + Q + ">");
        SendLine("<B><I><CENTER><FONT SIZE=3 COLOR=#99000>" + heading + "</FONT></I></B></p>");
        SendLine("<TABLE CELLPADDING=2 CELLSPACING=2 BORDER=1 bgcolor=#FFFFCC>");

        SendHeaderRow("Application", applicationName);
        SendHeaderRow("Database", description);
        SendTextRow("Billing Plan", "Rate_Description", RatePlan.Rate_Description);
        SendMoneyRow("Monthly fee to use this database", "Flat_Fee", RatePlan.Flat_Fee);
        SendMoneyRow("Fee charged for each search performed", "Search_Fee", RatePlan.Search_Fee);
        SendMoneyRow("Fee charged on search where no matching document were found", "NoHits_Fee",
                     RatePlan.NoHits_Fee);
        SendMoneyRow("Fee charged to view database information for a document", "DocInfo_Fee",
                     RatePlan.DocInfo_Fee);
        std::string allPages = "Fee charged to view all image pages for a document";
        if (ReadDocTypeFlag(Appl, DocType, "AllPagesPerPage")) allPages += " <b>(PER PAGE)</b>";
        SendMoneyRow(allPages, "AllPages_Fee", RatePlan.AllPages_Fee);
        SendCountRow("Maximum number of searches allowed per month", "Max_Searches", RatePlan.Max_Searches);
        SendMoneyRow("Price per search after search maximum reached", "Max_Searches_Overcharge",
                     RatePlan.Max_Searches_Overcharge);
        SendCountRow("Maximum number of document data views allowed per month", "Max_Docinfo",
                     RatePlan.Max_DocInfo);
        SendMoneyRow("Price per document data view after document data view maximum reached",
                     "Max_Docinfo_Overcharge", RatePlan.Max_DocInfo_Overcharge);
        SendCountRow("Maximum number of document image views (or e-mails) allowed per month", "Max_DocView",
                     RatePlan.Max_DocView);
        SendMoneyRow("Price per document image view (or email) after image view maximum reached",
                     "Max_DocView_Overcharge", RatePlan.Max_DocView_Overcharge);
        SendCountRow("Maximum number of single page views allowed per month", "Max_PageView",
                     RatePlan.Max_PageView);
        SendMoneyRow("Price persingle page view after single page view maximum reached", "Max_pageView_Overcharge",
                     RatePlan.Max_PageView_Overcharge);
        SendMoneyRow("Fee charge to view individual pages for a document", "Page_Fee", RatePlan.Page_Fee);
        SendMoneyRow("Fee charged for each document found for a search", "Hits_Fee", RatePlan.Hits_Fee);
        if (WebSettings.ReportsAllowed)
            SendMoneyRow("Fee charged to print a hit list report", "Report_Fee", RatePlan.Report_Fee);
        if (WebSettings.OCRAllowed) SendMoneyRow("Per page fee charged to OCR a page", "Ocr_Fee", RatePlan.OCR_Fee);
        if (UserIsSupervisor) {
            SendLine("<tr><td align=right>Hide this rate plan from the general public</td>");
            SendLine("<td><select name='Hidelevel'>");
            SendLine(hidden ? "<option value=YES SELECTED>YES" : "<option value=YES>YES");
            SendLine(hidden ? "<option value=NO>NO" : "<option value=NO SELECTED>NO");
            SendLine("</select></td>");
        }
        bool anyPolicy = false;
        for (const Policy& p : policies) anyPolicy = anyPolicy || !p.Text.empty();
        if (anyPolicy) SendLine("<tr><td></td><td><b>See policies below</B></td></tr>");
        SendLine("</table></center>");
        SendLine("<br>");

        for (const Policy& p : policies) {
            if (p.Text.empty() && !UserIsSupervisor) continue;
            const std::string rows = p.Text.size() >= 255 ? "8" : "4";
            if (UserIsSupervisor)
                SendLine(std::string("<b>") + p.Label + "</b>: <textarea name=" + p.Field + " rows=" + rows +
                         " cols=75>" + HtmlText(p.Text) + "</textarea><P>");
            else
                SendLine(std::string("<b>") + p.Label + "</b>: " + HtmlText(p.Text) + "<P>");
        }
        if (UserIsSupervisor) {
            SendLine("<INPUT TYPE=" + Q + "SUBMIT" + Q + " NAME=" + Q + "DataAction" + Q + " VALUE=" + Q + "SAVE" + Q +
                     ">&nbsp;&nbsp;");
            if (RateNum != NewPlan)
                SendLine("<INPUT TYPE=" + Q + "SUBMIT" + Q + " NAME=" + Q + "DataAction" + Q + " VALUE=" + Q +
                         "DELETE" + Q + ">");
        }
        SendLine("</form>");
        SendBottom();

        closing.Close();
        DebugLog("end of html");
    }
}

}  // namespace vd
