// The command line of the program outside a web server: --version and
// --check, the health check an administrator runs as the web server's user.
#pragma once

#include <string>

namespace vd {

// "vdconfig <version>".
std::string VersionLine();

// Checks the site whose program folder is given (see CommandFolder): one line per
// check on standard output, "OK" or "FAIL" with the reason. Returns the
// exit status: 0 when every check passed, 1 otherwise.
int CheckSite(const std::string& given);

}  // namespace vd
