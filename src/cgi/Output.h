// The response: every byte goes to standard output through Send, and pages
// are framed by the site's top and bottom templates.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "cgi/Html.h"

namespace vd {

constexpr char CRLF[] = "\r\n";

// Writes the markup exactly; nothing is added. Values come in through the
// escapers of cgi/Escape.h.
void Send(const Html& markup);
template <std::size_t N>
void Send(const char (&markup)[N]);
// Send(markup) followed by Send(CRLF): the common page line.
void SendLine(const Html& markup);
template <std::size_t N>
void SendLine(const char (&markup)[N]);
// "Content-Type: text/html" CRLF CRLF, once per response: a page that
// follows output already sent (an error page after part of a page, the
// fallback page after a failed one) goes on in the same body.
void SendHeader();
// The start of a new response: no header written, no frame known.
void ResetOutput();
// Gives standard output one large buffer; called once, before anything is
// written.
void BufferOutput();
// The frame of the response: the folder of the templates, the address
// prefix of the help and general error pages, and the user whose
// [UserGraphics] entry of the settings file replaces the graphic marker of
// the top template ("" for none). Main sets it from the run's settings and
// user.
struct PageFrame {
    std::string HtmlPath;
    std::string WebPath;
    std::string GraphicUser;
    std::string SettingsFile;  // the run's vexweb.ini
};
void SetPageFrame(PageFrame frame);
const PageFrame& Frame();
// For a page that reads no more settings and goes on to hold much else:
// reads the user's graphic now, rather than when a top template asks for
// it, and lets go of the settings file's text (ForgetIniText).
void LetGoOfSettingsText();

// Sends HTMLPath + name ("tbltop.htm" when name is empty) with the graphic
// and field markers replaced. A template that cannot be opened is failure 53.
void SendTop(const std::string& name = "");
// SendTop for a page that can go on without its top: a template that
// cannot be sent leaves its failure line on standard error (base/FailureLog.h)
// and the page goes on.
void SendTopOrGoOn();
// Sends every line of HTMLPath + "tblbot.htm", each followed by CRLF.
void SendBottom();
// Sends every line of a template file unchanged, each followed by CRLF.
void SendTemplateFile(const std::string& path);

// Pushes what Send buffered to standard output.
void FlushOutput();

// Reads a template file as lines (LF or CRLF line ends, not part of the
// line). A file that cannot be opened is failure 53 "File not found".
class TemplateReader {
public:
    explicit TemplateReader(const std::string& path);
    ~TemplateReader();
    TemplateReader(const TemplateReader&) = delete;
    TemplateReader& operator=(const TemplateReader&) = delete;
    bool Next(std::string& line);

private:
    std::FILE* file_;
};

// The program's literal markup goes out without a copy, through a writer
// that only the two templates below reach.
class LiteralOutput {
    static void Write(std::string_view literal);
    template <std::size_t N>
    friend void Send(const char (&markup)[N]);
    template <std::size_t N>
    friend void SendLine(const char (&markup)[N]);
};
template <std::size_t N>
void Send(const char (&markup)[N]) {
    LiteralOutput::Write(markup);
}
template <std::size_t N>
void SendLine(const char (&markup)[N]) {
    LiteralOutput::Write(markup);
    LiteralOutput::Write(CRLF);
}
// A char buffer is data: it goes through an escaper.
template <std::size_t N>
void Send(char (&buffer)[N]) = delete;
template <std::size_t N>
void SendLine(char (&buffer)[N]) = delete;

}  // namespace vd
