#include "cgi/RunError.h"
#include "pages/Pages.h"

namespace vd {

void DeleteRatePlan() { Raise(Err::InvalidCall, "not built yet"); }

}  // namespace vd
