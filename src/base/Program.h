// Where the running program lives.
#pragma once

#include <string>

namespace vd {

// The folder of the running executable, without a trailing "/" ("." when
// the system cannot tell). main hands it to the run as its program folder.
std::string ExecutableFolder();

}  // namespace vd
