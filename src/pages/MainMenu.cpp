#include "base/DebugLog.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "pages/Pages.h"
#include "settings/WebSettings.h"

namespace vd {

void SendFormOpening(RunContext& run, const Html& heading, const std::string& action, const std::string& method,
                     const std::vector<std::string>* refusals) {
    SendHeader();
    SendTopOrGoOn();  // the page goes on without its top template
    if (refusals) SendRefusalLines("Settings not saved. Correct what is named below and save again.", *refusals);
    SendLine("&nbsp;<BR>");
    SendLine("<FORM action=" + HtmlQuoted(action) + " method=" + HtmlQuoted(method) + ">");
    SendLine(R"(<B><I><FONT COLOR="#990000"><FONT SIZE=+2>)" + heading + "</FONT></I></B>");
    SendLine("&nbsp;&nbsp;&nbsp;&nbsp;" + Link(run.Settings.WebPath + "vdhelpconfig.html", "click here for help") +
             "<P>");
}

void SendFormClosing() {
    SendLine("</FORM>");
    SendLine("</BODY></HTML>");
    DebugLog("html done!");
}

void ShowMainMenu(RunContext& run, const Html& heading, const std::string& action, const std::string& method) {
    SendFormOpening(run, heading, action, method);
    SendLine("<CENTER>");
    SendLine(SubmitButton("ConfigOption", "Server and Browser File Locations"));
    SendLine("<P>");
    SendLine(SubmitButton("ConfigOption", "Rate Plans"));
    SendLine("<P>");
    SendLine(SubmitButton("ConfigOption", "Database Settings"));
    SendLine("<P>");
    Send("</CENTER>");
    SendFormClosing();
}

}  // namespace vd
