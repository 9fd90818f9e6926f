#include "cgi/MessagePages.h"

#include "base/DebugLog.h"
#include "cgi/Escape.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "cgi/ServerLog.h"
#include "settings/WebSettings.h"

#include <string>

namespace vd {

namespace {
const std::string Q = "\"";
}

void SendNoticeBody(const std::string& message) {
    SendLine("<p align=" + Q + "center" + Q + ">");
    SendLine(message);
}

void SendNotice(const std::string& message) {
    try {
        SendHeader();
        SendTop();
        SendNoticeBody(message);
        SendBottom();
    } catch (const RunError& e) {
        SendServerMessage(e.Number, e.Text);
    }
}

bool SendMessagePage(const std::string& message, const std::string& linkText,
                     const std::string& linkAddress, const std::string& fontSize,
                     const std::optional<std::string>& extra) {
    SendHeader();
    SendTop();
    SendMessageBody(message, linkText, linkAddress, fontSize, extra);
    DebugLog("open tblbot");
    SendBottom();
    return true;
}

void SendMessageBody(const std::string& message, const std::string& linkText,
                     const std::string& linkAddress, const std::string& fontSize,
                     const std::optional<std::string>& extra) {
    std::string font = fontSize.empty()
                           ? "<FONT COLOR=" + Q + MessageColor + Q + ">"
                           : "<FONT SIZE=" + fontSize + " COLOR=" + Q + MessageColor + Q + ">";
    SendLine("<P><CENTER>" + font + message + "</FONT></CENTER></p>");
    DebugLog("WebLinkMsg=" + linkText);
    if (!linkText.empty()) {
        if (!linkAddress.empty())
            Send("<BR><BR><CENTER><FONT COLOR=" + Q + MessageColor + Q + "><A HREF=" + Q + linkAddress + Q + ">" +
                 linkText + "</A></FONT></CENTER>");
        else
            Send("<BR><BR><CENTER><FONT COLOR=" + Q + MessageColor + Q + ">" + linkText + "</FONT></CENTER>");
        Send(CRLF);
        if (extra && !extra->empty()) SendLine(*extra);
    }
}

void SendErrorPage(const std::string& /*pageAddress*/, const std::string& number, const std::string& text) {
    LogFailure(number, text);
    try {
        SendHeader();
        DebugLog("open errtop");
        SendTemplateFile(WebSettings.HTMLPath + "errtop.htm");
        SendLine("<p align=" + Q + "center" + Q + ">");
        SendLine("(" + number + ") Error: " + HtmlText(text) + "</p>");
        DebugLog("open errbot");
        SendTemplateFile(WebSettings.HTMLPath + "errbot.htm");
    } catch (const RunError& e) {
        SendServerMessage(e.Number, e.Text);
    }
}

void ReportRunError(const RunError& failure) {
    SendErrorPage(WebSettings.WebPath + "vdgenerr.html", std::to_string(failure.Number), failure.Text);
    EndRun();
}

void SendServerMessage(int number, const std::string& description, const std::optional<std::string>& extra) {
    // From here on failures while sending are ignored.
    const std::string n = std::to_string(number);
    LogFailure(n, description);
    SendHeader();
    Send("<HTML>\r\n");
    Send(CRLF);
    Send({"<Head><Title>", ProgramTitle, "- MESSAGE #" + n, "</Title></Head>\r\n"});
    Send(CRLF);
    Send("<Body>\r\n");
    Send(CRLF);
    Send("<H1>A Message from the Server</H1>\r\n");
    Send(CRLF);
    Send("The server had trouble processing your request.");
    Send(CRLF);
    Send(" Back up and try again.\r\n");
    Send(CRLF);
    Send("<BlockQuote><BlockQuote><XMP>\r\n");
    Send(CRLF);
    Send({description, "(" + n + ").\r\n"});
    Send(CRLF);
    if (extra) {
        Send(*extra + "\r\n");
        Send(CRLF);
    }
    Send("</XMP></BlockQuote></BlockQuote>\r\n");
    Send(CRLF);
    Send("</BODY></HTML>\r\n");
    Send(CRLF);
    try {
        BackupRequest();
    } catch (const RunError& e) {
        DebugLog("Request.Bak not written: (" + std::to_string(e.Number) + ") " + e.Text);
    }
}

}  // namespace vd
