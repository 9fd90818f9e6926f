#include "cgi/RunError.h"
#include "pages/Pages.h"

namespace vd {

void SaveWebSettings() { Raise(Err::InvalidCall, "not built yet"); }

}  // namespace vd
