// The audit trail in the browser, for supervisors: the records newest
// first, a page at a time, read from the trail's end; filtered as
// vdconfig --history filters; with the way to put a kept vexweb.ini or a
// deleted plan back where the record offers one.
#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "pages/ChangeList.h"
#include "pages/Pages.h"
#include "settings/AuditLookup.h"
#include "settings/AuditRecords.h"
#include "settings/AuditTrail.h"
#include "settings/SettingsHistory.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

constexpr int RecordsPerPage = 50;

TrailFilter PostedFilter() {
    return {Trim(GetField("Since")), Trim(GetField("Until")), Trim(GetField("Who")), Trim(GetField("Database")),
            Trim(GetField("Kind"))};
}

// One line per filter field that cannot be taken.
std::vector<std::string> FilterRefusals(const TrailFilter& f) {
    std::vector<std::string> refusals;
    if (!f.Since.empty() && !IsCalendarDay(f.Since))
        refusals.push_back("Since: \"" + f.Since + "\" is not a day (YYYY-MM-DD).");
    if (!f.Until.empty() && !IsCalendarDay(f.Until))
        refusals.push_back("Until: \"" + f.Until + "\" is not a day (YYYY-MM-DD).");
    if (!IsTrailKind(f.Kind)) refusals.push_back("Kind: \"" + f.Kind + "\" is not settings, plans or restores.");
    return refusals;
}

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "this server";
    return name;
}

Html TextInput(const char* name, const std::string& value, int size) {
    return "<input type=text name=" + HtmlBare(name) + " size=" + HtmlNumber(size) + " value=" + HtmlQuoted(value) +
           ">";
}

void SendFilterForm(RunContext& run, const TrailFilter& f) {
    SendLine("<form action=" + HtmlQuoted(run.FormAction()) + " method=\"GET\" class=\"vd-history-filter\">");
    SendLine(HiddenInput("ConfigOption", "HISTORY"));
    Html kinds = SelectTag("Kind") + OptionTag("", "every change", f.Kind.empty());
    for (const char* kind : {"settings", "plans", "restores"})
        kinds += OptionTag(kind, kind, EqualsNoCase(f.Kind, kind));
    SendLine("Kind " + kinds + "</select>");
    SendLine("&nbsp;Who " + TextInput("Who", f.User, 12));
    SendLine("&nbsp;Database " + TextInput("Database", f.Database, 8));
    SendLine("&nbsp;Since " + TextInput("Since", f.Since, 10) + "&nbsp;Until " + TextInput("Until", f.Until, 10));
    SendLine("&nbsp;" + SubmitButton("DataAction", "Show"));
    SendLine("</form>");
}

// The address of the same list from an offset of the trail on.
std::string PageAddress(RunContext& run, const TrailFilter& f, std::uint64_t before) {
    return HistoryAddress(run) + "&Kind=" + UrlEncode(f.Kind) + "&Who=" + UrlEncode(f.User) +
           "&Database=" + UrlEncode(f.Database) + "&Since=" + UrlEncode(f.Since) + "&Until=" + UrlEncode(f.Until) +
           "&Before=" + std::to_string(before);
}

Html Shown(const std::string& text) { return HtmlText(ShowControlBytes(text)); }

Html WhoOf(const AuditJson& r) {
    Html who = r.Str("user").empty() ? Html("<i>(no user)</i>") : Shown(r.Str("user"));
    if (!r.Str("remote_user").empty()) who += " (" + Shown(r.Str("remote_user")) + ")";
    if (!r.Str("remote_addr").empty()) who += "<br>from " + Shown(r.Str("remote_addr"));
    return who;
}

Html WhatOf(const AuditJson& r) {
    Html what = "<b>" + Shown(r.Str("action")) + "</b>";
    if (const AuditJson* key = r.Get("key")) {
        what += " " + Shown(key->Str("application")) + "-" + Shown(key->Str("database"));
        if (key->Get("plan")) what += " plan " + Shown(key->Str("plan"));
    }
    for (const AuditChange& c : ChangesOf(r))
        if (c.Field == "Rate_Description") what += " &quot;" + Shown(c.Old ? *c.Old : c.New.value_or("")) + "&quot;";
    if (!r.Str("restored").empty()) what += "<br>put back " + Shown(r.Str("restored"));
    if (!r.Str("version").empty()) what += "<br>replaced file kept as " + Shown(r.Str("version"));
    if (!r.Str("failed").empty()) what += "<br><b>FAILED:</b> " + Shown(r.Str("failed"));
    if (r.IsTrue("pending"))
        what += "<br><b>NOT CONFIRMED:</b> the change may not have been made (its run ended before it was "
                "committed, or it is under way)";
    return what;
}

bool IsKeptVersion(const std::string& folder, const std::string& name) {
    if (!IsVersionName(name)) return false;
    struct stat st{};
    return fstatat(AT_FDCWD, (folder + "/" + name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

// The button that puts back what a record offers: the settings it replaced
// while that version is kept, a deleted plan.
Html OfferOf(RunContext& run, const AuditJson& r, const std::string& versions) {
    if (!r.Str("failed").empty() || r.IsTrue("pending")) return Html();
    const std::string action = r.Str("action");
    const Html form = "<form action=" + HtmlQuoted(run.FormAction()) + " method=\"POST\">";
    if ((action == "settings saved" || action == "version restored") && IsKeptVersion(versions, r.Str("version")))
        return form + HiddenInput("ConfigOption", "RESTOREINI") + HiddenInput("Version", r.Str("version")) +
               SubmitButton("DataAction", "Put these settings back") + "</form>";
    const AuditJson* key = r.Get("key");
    if (action == "plan deleted" && key)
        return form + HiddenInput("ConfigOption", "RESTOREPLAN") + HiddenInput("Appl", key->Str("application")) +
               HiddenInput("DocType", key->Str("database")) + HiddenInput("RateNum", key->Str("plan")) +
               HiddenInput("Deleted", r.Str("time")) + SubmitButton("DataAction", "Put this plan back") + "</form>";
    return Html();
}

void SendRecord(RunContext& run, const AuditJson& r, const std::string& versions) {
    SendLine("<tr valign=top><td>" + Shown(r.Str("time")) + "</td><td>" + WhoOf(r) + "</td><td>" + WhatOf(r) +
             ChangeListHtml(ChangesOf(r)) + "</td><td>" + OfferOf(run, r, versions) + "</td></tr>");
}

// Up to a page of matching records from the offset on; gives the offset
// of the next older page, or nothing when the trail's start was reached.
std::optional<std::uint64_t> SendRecords(RunContext& run, const std::string& settingsFolder, const TrailFilter& f,
                                         std::optional<std::uint64_t> before) {
    const std::string trailPath = AuditTrailPath(settingsFolder);
    Doing doing("reading " + trailPath);
    TrailFromEnd trail(trailPath, before);
    const std::string versions = VersionFolder(settingsFolder);
    SendLine("<table class=\"vd-history\" border=1 cellpadding=4 cellspacing=0>");
    SendLine("<tr><th>When (UTC)</th><th>Who</th><th>What</th><th></th></tr>");
    int shown = 0;
    std::string line;
    while (shown < RecordsPerPage && trail.Older(line)) {
        if (line.empty() || !MayMatch(line, f) || (IsPending(line) && trail.SettledLater(line))) continue;
        AuditJson r;
        if (!ParseAuditRecord(line, r))
            SendLine("<tr><td colspan=4><i>(not a record)</i> " + Shown(line) + "</td></tr>");
        else if (MatchesFilter(r, f))
            SendRecord(run, r, versions);
        else
            continue;
        ++shown;
    }
    if (shown == 0) SendLine("<tr><td colspan=4>No change is on record here.</td></tr>");
    SendLine("</table>");
    if (shown < RecordsPerPage || trail.Offset() == 0) return std::nullopt;
    return trail.Offset();
}

std::optional<std::uint64_t> PostedOffset() {
    const std::string before = Trim(GetField("Before"));
    if (before.empty() || before.size() > 19 || before.find_first_not_of("0123456789") != before.npos)
        return std::nullopt;
    return std::stoull(before);
}

}  // namespace

void ShowHistory(RunContext& run) {
    const TrailFilter filter = PostedFilter();
    const std::vector<std::string> refusals = FilterRefusals(filter);
    const std::string settingsFolder = run.SettingsFolder();
    SendHeader();
    SendTop();
    SendLine("<B><I><FONT COLOR=\"#990000\"><FONT SIZE=+2>History of changes</FONT></I></B>");
    SendLine("<p>The audit trail of the configurator on <b>" + HtmlText(HostName()) + "</b> (" +
             HtmlText(AuditTrailPath(settingsFolder)) +
             "), newest first. Another front end on the same billing database keeps a trail of its own.</p>");
    if (!refusals.empty()) SendRefusalLines("Nothing listed:", refusals);
    SendFilterForm(run, filter);
    if (refusals.empty()) {
        const std::optional<std::uint64_t> posted = PostedOffset();
        if (const auto older = SendRecords(run, settingsFolder, filter, posted))
            SendLine("<p>" + Link(PageAddress(run, filter, *older), "Older changes") + "</p>");
        if (posted) SendLine("<p>" + Link(HistoryAddress(run), "The newest changes") + "</p>");
    }
    SendBottom();
    EndRun();
}

}  // namespace vd
