#include "cgi/RunError.h"
#include "pages/Pages.h"

namespace vd {

bool ShowDatabaseSelection() { Raise(Err::InvalidCall, "not built yet"); }

}  // namespace vd
