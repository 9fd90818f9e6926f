#include "pages/PostedPlanKey.h"

#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "base/FailureLog.h"
#include "cgi/Request.h"
#include "data/tables/DocumentTypes.h"
#include "pages/RunContext.h"

#include <vector>

namespace vd {

namespace {

// Digits, with a sign in front and blanks around at the most.
bool IsWholeNumber(std::string_view text) {
    std::string t = Trim(text);
    std::string_view digits = t;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
    if (digits.empty()) return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    return true;
}

// The message page and the error log's line of a key that names no plan:
// why, with its quoted values ("the plan number \"x\" ..."); the run ends.
[[noreturn]] void RefuseKey(const std::vector<std::string>& parts) {
    std::string text;
    Html page;
    for (size_t i = 0; i < parts.size(); ++i) {
        text += i % 2 ? "\"" + parts[i] + "\"" : parts[i];
        page += i % 2 ? "\"" + HtmlText(parts[i]) + "\"" : HtmlText(parts[i]);
    }
    LogRefusal("no rate plan was changed: " + text);
    SendMessagePage("No rate plan was changed: " + page + ".", "", "", "+1", "");
    EndRun();
}

}  // namespace

void ReadPostedPlanKey(RunContext& run, bool listedDatabase) {
    run.Plan.Appl = GetField("Appl");
    run.Plan.DocType = GetField("DocType");
    const std::string number = GetField("RateNum");
    if (!IsWholeNumber(number)) RefuseKey({"the plan number ", number, " is not a whole number"});
    run.Plan.RateNum = CInt(Val(number));
    // A key with an empty half, or one of no database, would store or
    // delete a plan that no page lists (or, left out of a condition, match
    // another database's).
    if (listedDatabase && !NamesDatabase(run.Data, run.Plan.Appl, run.Plan.DocType))
        RefuseKey({"Application ", run.Plan.Appl, " - Database ", run.Plan.DocType, " names no database"});
}

}  // namespace vd
