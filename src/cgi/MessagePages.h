// Ready-made whole pages: notice, message, error page and the fallback page
// that needs no template.
#pragma once

#include <optional>
#include <string>

#include "base/RunError.h"

namespace vd {

// Colour of every message and link of SendMessagePage (five digits, as the
// product's pages have it).
constexpr const char* MessageColor = "#99000";

// One centred message inside the page templates. Guards itself: a failure
// (a missing template) ends in the fallback page.
void SendNotice(const std::string& message);

// The body of a notice, for pages that put several notices on one page.
void SendNoticeBody(const std::string& message);

// A coloured message with an optional link and extra HTML. Not guarded.
// The message, link text and address are written as given: callers escape
// the data they put into them.
bool SendMessagePage(const std::string& message, const std::string& linkText,
                     const std::string& linkAddress, const std::string& fontSize,
                     const std::optional<std::string>& extra = std::nullopt);

// The body of a message page (message line, link, extra HTML), for pages
// that put notices and a message on one page.
void SendMessageBody(const std::string& message, const std::string& linkText,
                     const std::string& linkAddress, const std::string& fontSize,
                     const std::optional<std::string>& extra = std::nullopt);

// The error page between errtop.htm and errbot.htm. The error text is
// escaped (it can carry database messages). Guards itself like SendNotice.
void SendErrorPage(const std::string& pageAddress, const std::string& number, const std::string& text);

// Sends the error page for the failure and ends the run.
[[noreturn]] void ReportRunError(const RunError& failure);

// The fallback page; also saves the request in Request.Bak.
void SendServerMessage(int number, const std::string& description,
                       const std::optional<std::string>& extra = std::nullopt);

// The title of the fallback page.
constexpr const char* ProgramTitle = "vdconfig";

}  // namespace vd
