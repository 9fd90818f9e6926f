// Ready-made whole pages: notice, message, error page and the fallback page
// that needs no template.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/RunError.h"
#include "cgi/Html.h"

namespace vd {

// Colour of every message and link of SendMessagePage (five digits, as the
// product's pages have it).
constexpr char MessageColor[] = "#99000";

// One centred message inside the page templates. Guards itself: a failure
// (a missing template) ends in the fallback page.
void SendNotice(const Html& message);

// The body of a notice, for pages that put several notices on one page.
void SendNoticeBody(const Html& message);

// A coloured message with an optional link and extra markup. Not guarded.
// The address and the font size are values, escaped here; the link is
// written when there is a link text (without an address, the text alone).
void SendMessagePage(const Html& message, const Html& linkText, std::string_view linkAddress,
                     std::string_view fontSize, const std::optional<Html>& extra = std::nullopt);

// The body of a message page (message line, link, extra markup), for pages
// that put notices and a message on one page.
void SendMessageBody(const Html& message, const Html& linkText, std::string_view linkAddress,
                     std::string_view fontSize, const std::optional<Html>& extra = std::nullopt);

// Above a form that comes back to be mended: the lead line (what was not
// done), then one line per refused field (its label and why), each a value
// escaped here.
void SendRefusalLines(std::string_view lead, const std::vector<std::string>& lines);

// The error page between errtop.htm and errbot.htm. The number and the
// error text are values (the text can carry database messages), escaped
// here. Guards itself like SendNotice.
// Also writes the failure line on standard error (base/FailureLog.h).
void SendErrorPage(const std::string& number, const std::string& text);

// Sends the error page for the failure and ends the run.
[[noreturn]] void ReportRunError(const RunError& failure);

// The error page of a database failure ("(" number ") Error: " SQLSTATE
// message); for a failure that is not shown only its line on standard
// error. The run goes on.
void ReportDbError(const DbError& failure);

// The fallback page; also saves the request in Request.Bak. The
// description and the extra text are shown as written, in an XMP block
// (RawXmpText).
void SendServerMessage(int number, const std::string& description,
                       const std::optional<std::string>& extra = std::nullopt);

// The title of the fallback page.
constexpr char ProgramTitle[] = "vdconfig";

}  // namespace vd
