#include "cgi/RunError.h"
#include "pages/Pages.h"

namespace vd {

void SaveRatePlan() { Raise(Err::InvalidCall, "not built yet"); }

}  // namespace vd
