#include "pages/PostedPlan.h"

#include "base/Numbers.h"
#include "base/TextUtil.h"
#include "cgi/Request.h"
#include "pages/RunContext.h"

#include <cmath>
#include <optional>

namespace vd {

namespace {

// Why the text cannot be stored in a field of this kind; nothing when it can.
std::optional<std::string> Problem(const PlanField& field, const std::string& text) {
    const std::string quoted = "\"" + text + "\"";
    switch (field.Kind) {
        case PlanKind::Money:
        case PlanKind::Count: {
            if (Trim(text).empty()) return std::nullopt;
            const std::optional<double> number = NumberAsTyped(text);
            if (!number) return quoted + " is not a number.";
            if (field.Kind == PlanKind::Count) {
                const double whole = std::nearbyint(*number);
                if (whole > 32767) return quoted + " is more than 32767.";
                if (whole < -32768) return quoted + " is less than -32768.";
            }
            return std::nullopt;
        }
        case PlanKind::Text:
            if (Trim(text).empty()) return std::string("a plan needs a name.");
            return std::nullopt;
        case PlanKind::Flag:
        case PlanKind::Policy:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

PostedPlan ReadPostedPlan(const RunContext& run) {
    PostedPlan posted{EmptyPlan(), {}};
    const auto fields = PlanFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const PlanField& field = fields[i];
        if (!PlanFieldUsed(field, run.Settings.ReportsAllowed, run.Settings.OCRAllowed)) continue;
        PlanValue& value = posted.Values[i];
        value.Text = GetField(field.FormName);
        value.Typed = true;
        if (field.Kind == PlanKind::Flag) value.Number = UCase(value.Text) == "YES" ? 1 : 0;
        if (auto problem = Problem(field, value.Text)) posted.Refusals.push_back(std::string(field.Label) + ": " + *problem);
    }
    return posted;
}

double PostedNumber(const PlanValue& value) { return NumberAsTyped(value.Text).value_or(0); }

}  // namespace vd
