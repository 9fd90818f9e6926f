// Where the running program lives.
#pragma once

#include <string>

namespace vd {

// The folder of the running executable, without a trailing "/".
const std::string& ProgramFolder();

// The web settings file: ProgramFolder() + "/vexweb.ini".
std::string WebIniPath();

}  // namespace vd
