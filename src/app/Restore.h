// vdconfig --restore VERSION [FOLDER]: puts a kept version of vexweb.ini
// back, the way a save replaces it (locked, one atomic replacement); the
// replaced file is kept as a version in turn and the restore is recorded
// under the administrator's login.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vd {

// VERSION is a name that --history lists (or a path to it inside
// vexweb.ini.history/); anything else, and a link or a file that is not a
// regular file there, is refused. Run by root, the work is done as the
// owner of the folder that holds vexweb.ini. Returns the exit status:
// 0 restored, 1 refused or failed, 2 a usage error.
int RestoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vd
