#include "cgi/Output.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/ProcessState.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "settings/IniFiles.h"

#include <cstdio>
#include <optional>
#include <string>

namespace vd {

namespace {
// What the response has sent so far, and its frame.
struct Response {
    bool headerWritten = false;  // a response carries one CGI header
    PageFrame frame;             // templates, page addresses and the user of this response
    std::optional<std::string> graphic;  // the user's graphic, once read
};

Response& Current() { return ProcessState::Of<Response>(); }

void Write(std::string_view text) {
    // One thread writes: stdio's lock on every small write is wasted.
    if (!text.empty()) fwrite_unlocked(text.data(), 1, text.size(), stdout);
}

// A line of a template: the site's own markup.
void WriteLine(std::string_view line) {
    Write(line);
    Write(CRLF);
}
}  // namespace

void LiteralOutput::Write(std::string_view literal) { vd::Write(literal); }

void Send(const Html& markup) { Write(markup.View()); }

void SendLine(const Html& markup) {
    Write(markup.View());
    Write(CRLF);
}

void SendHeader() {
    Response& response = Current();
    if (response.headerWritten) return;
    Send("Content-Type: text/html\r\n");
    Send(CRLF);
    response.headerWritten = true;
}

void ResetOutput() { Current() = Response{}; }

void BufferOutput() {
    // One large buffer: a page is hundreds of small Sends. stdio flushes it
    // at exit, and FlushOutput does on every path Main takes.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
}

void SetPageFrame(PageFrame f) {
    Current().frame = std::move(f);
    Current().graphic.reset();
}

const PageFrame& Frame() { return Current().frame; }

void FlushOutput() { std::fflush(stdout); }

TemplateReader::TemplateReader(const std::string& path)
    : file_(std::fopen(path.c_str(), "rb")) {
    if (!file_) {
        Doing doing("reading " + path);
        Raise(Err::FileNotFound);
    }
}

TemplateReader::~TemplateReader() {
    if (file_) std::fclose(file_);
}

bool TemplateReader::Next(std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = getc_unlocked(file_)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

namespace {

// Replaces the first graphic marker pair of the line.
// The [UserGraphics] entry of the frame's user, read once.
const std::string& UserGraphic() {
    Response& response = Current();
    if (!response.graphic) {
        const PageFrame& frame = response.frame;
        response.graphic.emplace();
        if (!frame.GraphicUser.empty()) {
            DebugLog("seeking UserGraphics for User " + frame.GraphicUser + " in " + frame.SettingsFile);
            *response.graphic = ReadIniString(frame.SettingsFile, "UserGraphics", frame.GraphicUser);
        }
    }
    return *response.graphic;
}

void ReplaceGraphic(std::string& line) {
    static constexpr std::string_view open = "<GETGRAPHIC>", close = "</GETGRAPHIC>";
    size_t p = FindNoCase(line, open);
    size_t q = FindNoCase(line, close);
    if (p == std::string::npos || q == std::string::npos) return;
    if (q < p + open.size()) Raise(Err::InvalidCall);
    std::string left = line.substr(0, p);
    std::string deflt = line.substr(p + open.size(), q - p - open.size());
    std::string right = line.substr(q + close.size());
    DebugLog("htmlleft=" + left);
    DebugLog("htmlright=" + right);
    const std::string& graphic = UserGraphic();
    if (!graphic.empty()) {
        DebugLog("usergraphic=" + graphic);
        line = left + graphic + right;
    } else {
        line = left + deflt + right;
    }
}

// Replaces APPL and DOCTYPE field markers by their names; stops at any
// other name, and leaves a marker without its closing part as it is.
void ReplaceFields(std::string& line) {
    static constexpr std::string_view open = "<GETVEXFIELD>", close = "</GETVEXFIELD>";
    for (;;) {
        size_t p = FindNoCase(line, open);
        if (p == std::string::npos) return;
        size_t q = FindNoCase(line, close);
        if (q == std::string::npos) return;
        if (q < p + open.size()) Raise(Err::InvalidCall);
        std::string left = line.substr(0, p);
        std::string name = line.substr(p + open.size(), q - p - open.size());
        std::string right = line.substr(q + close.size());
        DebugLog("htmlleft=" + left);
        DebugLog("htmlright=" + right);
        DebugLog("Substitution for " + name);
        std::string upper = UCase(name);
        if (upper != "APPL" && upper != "DOCTYPE") return;
        // Nothing in this program sets the APPL and DOCTYPE values, so each
        // marker pair gives way to the name written between its markers.
        line = left + name + right;
    }
}

}  // namespace

void SendTop(const std::string& name) {
    std::string file = name.empty() ? std::string("tbltop.htm") : name;
    DebugLog("open tbltop " + Frame().HtmlPath + file);
    TemplateReader reader(Frame().HtmlPath + file);
    std::string line;
    while (reader.Next(line)) {
        ReplaceGraphic(line);
        ReplaceFields(line);
        if (Trim(line).empty()) continue;
        if (DebugLogging()) DebugLog("Send: " + line);
        WriteLine(line);
    }
}

void SendTemplateFile(const std::string& path) {
    TemplateReader reader(path);
    std::string line;
    while (reader.Next(line)) WriteLine(line);
}

void SendTopOrGoOn() {
    try {
        SendTop();
    } catch (const RunError& e) {
        LogFailure(std::to_string(e.Number), e.Text);
    }
}

void SendBottom() { SendTemplateFile(Frame().HtmlPath + "tblbot.htm"); }

void LetGoOfSettingsText() {
    UserGraphic();
    ForgetIniText(Frame().SettingsFile);
}

}  // namespace vd
