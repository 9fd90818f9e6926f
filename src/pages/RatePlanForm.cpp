#include "cgi/RunError.h"
#include "pages/Pages.h"

namespace vd {

bool MakeHTMLRatePlan(const std::string&, const std::string&, const std::string&) { Raise(Err::InvalidCall, "not built yet"); }

}  // namespace vd
