#include "cgi/RunError.h"
#include "pages/Pages.h"

namespace vd {

bool MakeHTMLBillingPlan(const std::string&, const std::string&, const std::string&) { Raise(Err::InvalidCall, "not built yet"); }

}  // namespace vd
