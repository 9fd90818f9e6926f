// The supervisor's choice of one database: a list of every row of
// DocumentTypes (application and document type) and the button that asks
// for that database's configuration report.
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
#include "settings/WebSettings.h"

#include <algorithm>
#include <string>

namespace vd {

namespace {
const std::string Q = "\"";
constexpr int MaxListHeight = 25;  // rows shown at once; longer lists scroll
}  // namespace

void ShowDatabaseSelection() {
    const clsDocumentTypes docTypes;
    OdbcConnection connection;
    TableInfo record;
    TableCloser closing(record, connection);
    {  // a table that cannot be opened ends the run before the page is written
        DebugLog("Opening DocumentTypes");
        InitParams(connection, docTypes.TableName, record);
        const int rows = SeekRec(docTypes.TableName, "", record, connection, "order by DocTypeDesc");

        SendHeader();
        SendTop();
        SendLine("<TABLE WIDTH=100% CELLPADDING=0 CELLSPACING=0 BORDER=0>");
        SendLine("<TR>");
        SendLine("<BR>");
        SendLine("<B><I><CENTER><FONT COLOR=" + Q + "#99000" + Q + ">Databases</FONT></CENTER></I></B>");
        SendLine("<form action=" + HtmlBareAttr(WebSettings.WebScriptsPath + "vdconfig.exe") + " method=POST>");
        SendLine("<div align=" + Q + "center" + Q + "><center><p>");
        SendLine("<select name=" + Q + "Database" + Q + " SIZE=" + Q + std::to_string(std::min(rows, MaxListHeight)) +
                 Q + ">");

        ODBCMoveFirst(record);
        for (int row = 0; !record.Eof; ++row) {
            const std::string appl = record.Field(docTypes.DocTypeAppl).Value.Text();
            const std::string id = record.Field(docTypes.DocTypeId).Value.Text();
            const std::string desc = record.Field(docTypes.DocTypeDesc).Value.Text();
            const std::string value = appl + "-" + id;
            DebugLog("Appl=" + appl + " DB=" + id + " OptionValue=" + id);
            Send("<option VALUE=" + Q + HtmlAttr(value) + Q + (row == 0 ? ", SELECTED>" : ">") + HtmlText(value) +
                 " " + HtmlText(desc) + "</option>");
            Send(CRLF);
            ODBCMoveNext(record);
        }

        SendLine("</select> <br> <br>");
        SendLine("<input Type=SUBMIT Value=" + Q + "Select Database" + Q + " Name=ConfigOption></p>");
        SendLine("</center></div>");
        DebugLog("pass along FormUser=" + UserName + " and Application=" + Appl);
        SendLine("<input type=hidden name=FormUser value=" + HtmlBareAttr(UserName) + ">");
        SendLine("<input type=hidden name=APPLICATION value=" + HtmlBareAttr(Appl) + ">");
        SendLine("</form>");
        SendBottom();

        closing.Close();
        DebugLog("end of html");
    }
}

}  // namespace vd
