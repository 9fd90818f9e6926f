#include "pages/PostedPlanKey.h"

#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Request.h"
#include "pages/RunContext.h"

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

}  // namespace

void ReadPostedPlanKey(RunContext& run) {
    run.Plan.Appl = GetField("Appl");
    run.Plan.DocType = GetField("DocType");
    const std::string number = GetField("RateNum");
    if (!IsWholeNumber(number)) {
        SendMessagePage("No rate plan was changed: the plan number \"" + HtmlText(number) + "\" is not a whole number.",
                        "", "", "+1", "");
        EndRun();
    }
    run.Plan.RateNum = CInt(Val(number));
}

}  // namespace vd
