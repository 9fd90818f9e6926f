#include "pages/ChangeList.h"

#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "pages/RunContext.h"

namespace vd {

namespace {

Html Shown(const std::optional<std::string>& value) {
    if (!value) return "<i>(none)</i>";
    return "&quot;" + HtmlText(ShowControlBytes(*value)) + "&quot;";
}

}  // namespace

Html ChangeListHtml(const std::vector<AuditChange>& changes) {
    if (changes.empty()) return "<ul class=\"vd-changes\"><li>nothing changed</li></ul>";
    Html list = "<ul class=\"vd-changes\">";
    for (const AuditChange& c : changes) {
        list += "<li>";
        if (!c.Section.empty()) list += "[" + HtmlText(ShowControlBytes(c.Section)) + "] ";
        list += "<b>" + HtmlText(ShowControlBytes(c.Field)) + "</b>: " + Shown(c.Old) + " -&gt; " + Shown(c.New) +
                "</li>";
    }
    return list + "</ul>";
}

std::string HistoryAddress(const RunContext& run) { return run.FormAction() + "?ConfigOption=HISTORY"; }

Html HistoryLink(const RunContext& run) { return Link(HistoryAddress(run), "See the history of changes"); }

Html ChangesBlock(const RunContext& run, const std::vector<AuditChange>& changes) {
    return "<center><table><tr><td align=left>" + ChangeListHtml(changes) + "</td></tr></table>" +
           HistoryLink(run) + "</center>";
}

}  // namespace vd
