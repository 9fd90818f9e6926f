// A rate plan as its form posted it: every field's text as typed, and the
// fields the save refuses (a fee that is not a number as a whole, a count
// its column cannot hold, a plan without a name).
#pragma once

#include <string>
#include <vector>

#include "data/tables/RatePlan.h"

namespace vd {

struct RunContext;

struct PostedPlan {
    PlanValues Values;                  // one per PlanFields(), each Typed
    std::vector<std::string> Refusals;  // one line per refused field: its label, then why
};

// The fields that the settings leave out are neither read nor checked. An
// empty fee or count is 0, as it always was.
PostedPlan ReadPostedPlan(const RunContext& run);

// The number a checked money or count field stores: 0 for an empty text.
double PostedNumber(const PlanValue& value);

}  // namespace vd
