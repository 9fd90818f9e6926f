// The supervisor's choice of one database: a list of every row of
// DocumentTypes (application and document type) and the button that asks
// for that database's configuration report.
#include "base/DebugLog.h"
#include "base/RunError.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "pages/Pages.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

#include <algorithm>
#include <string>

namespace vd {

namespace {
constexpr int MaxListHeight = 25;  // rows shown at once; longer lists scroll
}  // namespace

void ShowDatabaseSelection(RunContext& run) {
    const clsDocumentTypes docTypes;
    OdbcConnection connection;
    TableInfo record;
    TableCloser closing(record, connection);
    // The page reads no more settings: the settings file's text goes before
    // the table is read.
    LetGoOfSettingsText();
    // a table that cannot be opened ends the run before the page is written
    DebugLog("Opening DocumentTypes");
    InitParams(run.Data, connection, docTypes.TableName, record);
    const int rows = SeekRec(docTypes.TableName, "", record, connection, "order by DocTypeDesc");

    SendHeader();
    SendTop();
    SendLine("<TABLE WIDTH=100% CELLPADDING=0 CELLSPACING=0 BORDER=0>");
    SendLine("<TR>");
    SendLine("<BR>");
    // The heading names the list.
    SendLine(R"(<B><I><CENTER><FONT COLOR="#99000" ID=databases>Databases</FONT></CENTER></I></B>)");
    SendLine("<form action=" + HtmlBare(run.Settings.WebScriptsPath + "vdconfig.exe") + " method=POST>");
    SendLine(R"(<div align="center"><center><p>)");
    SendLine(R"(<select name="Database" aria-labelledby=databases SIZE=")" + HtmlNumber(std::min(rows, MaxListHeight)) +
             R"(">)");

    ODBCMoveFirst(record);
    for (int row = 0; !record.Eof; ++row) {
        const std::string appl = record.Field(docTypes.DocTypeAppl).Value.Text();
        const std::string id = record.Field(docTypes.DocTypeId).Value.Text();
        const std::string desc = record.Field(docTypes.DocTypeDesc).Value.Text();
        const std::string value = appl + "-" + id;
        DebugLog("Appl=" + appl + " DB=" + id + " OptionValue=" + id);
        SendLine("<option VALUE=" + HtmlQuoted(value) + (row == 0 ? Html(", SELECTED>") : Html(">")) + HtmlText(value) +
                 " " + HtmlText(desc) + "</option>");
        ODBCMoveNext(record);
    }

    SendLine("</select> <br> <br>");
    SendLine(R"(<input Type=SUBMIT Value="Select Database" Name=ConfigOption></p>)");
    SendLine("</center></div>");
    DebugLog("pass along FormUser=" + run.User + " and Application=" + run.Plan.Appl);
    SendLine(HiddenInput("FormUser", run.User, Quoting::Bare));
    SendLine(HiddenInput("APPLICATION", run.Plan.Appl, Quoting::Bare));
    SendLine("</form>");
    SendBottom();

    closing.Close();
    DebugLog("end of html");
}

}  // namespace vd
