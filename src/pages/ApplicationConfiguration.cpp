#include "cgi/RunError.h"
#include "pages/Pages.h"

namespace vd {

void ShowApplicationConfiguration(const std::string&, const std::string&) { Raise(Err::InvalidCall, "not built yet"); }

}  // namespace vd
