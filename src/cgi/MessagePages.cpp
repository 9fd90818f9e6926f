#include "cgi/MessagePages.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "cgi/Escape.h"
#include "cgi/Output.h"
#include "cgi/Request.h"

#include <string>

namespace vd {

// Text inside an XMP block, which shows its content as written: nothing is
// escaped there (a text holding "</XMP>" would end the block). The only
// conversion of text to markup that escapes nothing (a friend of Html).
Html RawXmpText(std::string_view text);
Html RawXmpText(std::string_view text) { return Html(std::string(text)); }

void SendNoticeBody(const Html& message) {
    SendLine(R"(<p align="center">)");
    SendLine(message);
}

void SendNotice(const Html& message) {
    try {
        SendHeader();
        SendTop();
        SendNoticeBody(message);
        SendBottom();
    } catch (const RunError& e) {
        SendServerMessage(e.Number, e.Text);
    }
}

void SendMessagePage(const Html& message, const Html& linkText, std::string_view linkAddress,
                     std::string_view fontSize, const std::optional<Html>& extra) {
    SendHeader();
    SendTop();
    SendMessageBody(message, linkText, linkAddress, fontSize, extra);
    DebugLog("open tblbot");
    SendBottom();
}

void SendMessageBody(const Html& message, const Html& linkText, std::string_view linkAddress,
                     std::string_view fontSize, const std::optional<Html>& extra) {
    const Html color = HtmlQuoted(MessageColor);
    const Html font = fontSize.empty() ? "<FONT COLOR=" + color + ">"
                                       : "<FONT SIZE=" + HtmlBare(fontSize) + " COLOR=" + color + ">";
    SendLine("<P><CENTER>" + font + message + "</FONT></CENTER></p>");
    DebugLog("WebLinkMsg=" + std::string(linkText.View()));
    if (!linkText.Empty()) {
        const Html link = linkAddress.empty() ? linkText : Link(linkAddress, linkText);
        SendLine("<BR><BR><CENTER><FONT COLOR=" + color + ">" + link + "</FONT></CENTER>");
        if (extra && !extra->Empty()) SendLine(*extra);
    }
}

void SendRefusalLines(std::string_view lead, const std::vector<std::string>& lines) {
    const Html font = "<FONT COLOR=" + HtmlQuoted(MessageColor) + ">";
    SendLine("<div class=refused role=alert>");
    SendLine("<P><CENTER>" + font + "<b>" + HtmlText(lead) + "</b></FONT></CENTER></p>");
    for (const std::string& line : lines) SendLine("<P><CENTER>" + font + HtmlText(line) + "</FONT></CENTER></p>");
    SendLine("</div>");
}

void SendErrorPage(const std::string& number, const std::string& text) {
    LogFailure(number, text);
    try {
        SendHeader();
        DebugLog("open errtop");
        SendTemplateFile(Frame().HtmlPath + "errtop.htm");
        SendLine(R"(<p align="center">)");
        SendLine("(" + HtmlText(number) + ") Error: " + HtmlText(text) + "</p>");
        DebugLog("open errbot");
        SendTemplateFile(Frame().HtmlPath + "errbot.htm");
    } catch (const RunError& e) {
        SendServerMessage(e.Number, e.Text);
    }
}

void ReportRunError(const RunError& failure) {
    SendErrorPage(std::to_string(failure.Number), failure.Text);
    EndRun();
}

void ReportDbError(const DbError& failure) {
    if (failure.Shown) SendErrorPage(failure.NumberText, failure.Text);
    else LogFailure(failure.NumberText, failure.Text);  // no page, but no silence either
}

void SendServerMessage(int number, const std::string& description, const std::optional<std::string>& extra) {
    // From here on failures while sending are ignored.
    const std::string n = std::to_string(number);
    LogFailure(n, description);
    SendHeader();
    Send("<HTML>\r\n");
    Send(CRLF);
    Send(Html("<Head><Title> ") + ProgramTitle + " - MESSAGE #" + HtmlNumber(number) + " </Title></Head>\r\n");
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
    Send(RawXmpText(description) + " (" + HtmlNumber(number) + ").\r\n");
    Send(CRLF);
    if (extra) {
        Send(RawXmpText(*extra) + "\r\n");
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
