// The response: every byte goes to standard output through Send, and pages
// are framed by the site's top and bottom templates.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vd {

constexpr std::string_view CRLF = "\r\n";

// Writes the text exactly; nothing is added.
void Send(std::string_view text);
// Writes the values joined with one blank between them.
void Send(std::initializer_list<std::string_view> values);
// Send(text) followed by a separate Send(CRLF): the common page line.
void SendLine(std::string_view text);
// "Content-Type: text/html" CRLF CRLF, once per response: a page that
// follows output already sent (an error page after part of a page, the
// fallback page after a failed one) goes on in the same body.
void SendHeader();
// The start of a new response: no header written, no user known.
void ResetOutput();
// The user whose [UserGraphics] entry of vexweb.ini replaces the graphic
// marker of the top template ("" for none).
void SetGraphicUser(std::string user);

// Sends HTMLPath + name ("tbltop.htm" when name is empty) with the graphic
// and field markers replaced. A template that cannot be opened is failure 53.
void SendTop(const std::string& name = "");
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

}  // namespace vd
