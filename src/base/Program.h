// Where the running program lives.
#pragma once

#include <string>

namespace vd {

// The folder of the running executable, without a trailing "/".
const std::string& ProgramFolder();

// Tests that run Main inside their own process point it at a site folder.
void SetProgramFolder(const std::string& folder);

// The web settings file: ProgramFolder() + "/vexweb.ini".
std::string WebIniPath();

}  // namespace vd
