#include "base/DebugLog.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "pages/Pages.h"
#include "settings/WebSettings.h"

namespace vd {

namespace {
const std::string Q = "\"";

void SendButton(const std::string& label) {
    SendLine("<INPUT TYPE=" + Q + "SUBMIT" + Q + " NAME=" + Q + "ConfigOption" + Q + " VALUE=" + Q + label + Q + ">");
}
}  // namespace

void SendFormOpening(const std::string& heading, const std::string& action, const std::string& method) {
    SendHeader();
    try {
        SendTop();
    } catch (const RunError&) {
        // The page goes on without its top template.
    }
    SendLine("&nbsp;<BR>");
    SendLine("<FORM action=" + Q + HtmlAttr(action) + Q + " method=" + Q + method + Q + ">");
    SendLine("<B><I><FONT COLOR=" + Q + "#990000" + Q + "><FONT SIZE=+2>" + heading + "</FONT></I></B>");
    SendLine("&nbsp;&nbsp;&nbsp;&nbsp;<A HREF=" + Q + HtmlAttr(WebSettings.WebPath) + "vdhelpconfig.html" + Q +
             ">click here for help</A><P>");
}

void ShowMainMenu(const std::string& heading, const std::string& action, const std::string& method) {
    {
        SendFormOpening(heading, action, method);
        SendLine("<CENTER>");
        SendButton("Server and Browser File Locations");
        SendLine("<P>");
        SendButton("Rate Plans");
        SendLine("<P>");
        SendButton("Database Settings");
        SendLine("<P>");
        Send("</CENTER>");
        SendLine("</FORM>");
        SendLine("</BODY></HTML>");
        DebugLog("html done!");
    }
}

}  // namespace vd
