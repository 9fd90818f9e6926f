// Texts that many page tests expect, and small helpers for writing them.
#pragma once

#include <string>

#include "support/CgiRun.h"

namespace vdtest {

// The CGI header and the top template of Site::WriteTemplates as sent.
inline const std::string Header = "Content-Type: text/html\r\n\r\n";
inline const std::string Top = "<HTML><BODY>\r\n<IMG SRC=\"logo.gif\">\r\n";

// The page every request that a user may not make gets.
inline const std::string Refusal =
    Header + Top +
    "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">You are not authorized to perform this function.</FONT></CENTER></p>\r\n" +
    BottomTemplate;

// The main menu of a site laid out by Site::WriteIni.
inline const std::string Menu =
    Header + Top +
    "&nbsp;<BR>\r\n"
    "<FORM action=\"/cgi/vdconfig.exe\" method=\"POST\">\r\n"
    "<B><I><FONT COLOR=\"#990000\"><FONT SIZE=+2>Configuration Settings</FONT></I></B>\r\n"
    "&nbsp;&nbsp;&nbsp;&nbsp;<A HREF=\"/web/vdhelpconfig.html\">click here for help</A><P>\r\n"
    "<CENTER>\r\n"
    "<INPUT TYPE=\"SUBMIT\" NAME=\"ConfigOption\" VALUE=\"Server and Browser File Locations\">\r\n"
    "<P>\r\n"
    "<INPUT TYPE=\"SUBMIT\" NAME=\"ConfigOption\" VALUE=\"Rate Plans\">\r\n"
    "<P>\r\n"
    "<INPUT TYPE=\"SUBMIT\" NAME=\"ConfigOption\" VALUE=\"Database Settings\">\r\n"
    "<P>\r\n"
    "</CENTER></FORM>\r\n"
    "</BODY></HTML>\r\n";

// The page without the block a confirmation puts below its message (the
// list of what changed and the link to the history), for the tests of
// the rest of the page.
inline std::string WithoutChanges(std::string page) {
    const std::string open = "<center><table><tr><td align=left><ul class=\"vd-changes\">";
    for (size_t at; (at = page.find(open)) != std::string::npos;) {
        const size_t end = page.find("</center>\r\n", at);
        page.erase(at, end == std::string::npos ? std::string::npos : end + 11 - at);
    }
    return page;
}

// A text as an SQL literal: in apostrophes, its apostrophes doubled.
inline std::string Sql(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

// Line feeds become CRLF (expected pages are written with "\n").
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace vdtest
