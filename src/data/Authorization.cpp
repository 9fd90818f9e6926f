#include "data/Authorization.h"

namespace vd {

bool IsUserSupervisor(const std::string&) { return false; }

}  // namespace vd
