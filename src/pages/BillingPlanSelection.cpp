// The page from which a user picks a rate plan: every database with its plans,
// all of them read in one statement and sent as the databases stream in.
#include "base/DebugLog.h"
#include "base/RunError.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/Pages.h"
#include "settings/IniFiles.h"

#include <string>
#include <unordered_map>

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

// The plans of every database as the options of its list, in the order of
// the result (plan number order), found by the database's exact codes. Only
// the options' markup is kept, never the rows.
class PlansByDatabase {
public:
    void Add(const std::string& appl, const std::string& docType, const std::string& rateNum,
             const std::string& description) {
        Html& options = options_[Key(appl, docType)];
        options += OptionTag(rateNum, description);
        options += "\r\n";
    }
    const Html& Of(const std::string& appl, const std::string& docType) const {
        static const Html none;
        const auto it = options_.find(Key(appl, docType));
        return it == options_.end() ? none : it->second;
    }

private:
    static std::string Key(const std::string& appl, const std::string& docType) {
        return std::to_string(appl.size()) + ":" + appl + docType;
    }
    std::unordered_map<std::string, Html> options_;
};

PlansByDatabase ReadPlans(RunContext& run, OdbcConnection& connection, TableInfo& plans) {
    PlansByDatabase byDatabase;
    SelectAllPlans(plans, connection, run.IsSupervisor, [&] {
        byDatabase.Add(plans.Field(ListAppl).Value.Text(), plans.Field(ListDocType).Value.Text(),
                       plans.Field(ListRateNum).Value.Text(), plans.Field(ListDescription).Value.Text());
    });
    return byDatabase;
}

// The row of one database: its plans as the options of its list. A
// database without plans has a row for supervisors only (who may add one).
void SendDatabaseRow(RunContext& run, int row, const std::string& appl, const std::string& docType,
                     const std::string& description, const Html& options) {
    if (options.Empty() && !run.IsSupervisor) return;
    if (!options.Empty() && DebugLogging()) DebugLog("Rate plan found for " + appl + "-" + docType);
    SendRowHead(run, row, appl, docType, description);
    Send(options);
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

    // The page reads no more settings: the settings file's text goes before
    // the databases are read.
    LetGoOfSettingsText();
    DebugLog("open DocumentTypes table");
    InitParams(run.Data, paramsConnection, dt.TableName, docTypes);
    DebugLog("open billing table");
    InitWVDAccounting(run.Data, billingConnection, rs.TableName, plans);
    const PlansByDatabase planOptions = ReadPlans(run, billingConnection, plans);
    closePlans.Close();  // the options are all that is kept of the plans
    SendSelectionStart(heading, action, method);

    int row = 0;
    SeekEach(dt.TableName, docTypes, paramsConnection, "order by Doctypedesc", [&] {
        if (row == 32767) Raise(Err::Overflow);
        ++row;
        const std::string appl = docTypes.Field(dt.DocTypeAppl).Value.Text();
        const std::string docType = docTypes.Field(dt.DocTypeId).Value.Text();
        if (DebugLogging()) DebugLog("Appl=" + appl + " Doctype=" + docType);
        SendDatabaseRow(run, row, appl, docType, docTypes.Field(dt.DocTypeDesc).Value.Text(),
                        planOptions.Of(appl, docType));
    });
    SendLine("</td></tr></table>");
    SendLine("</form>");
    SendBottom();

    closeDocTypes.Close();
    DebugLog("end of html");
}

}  // namespace vd
