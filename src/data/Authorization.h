// Who is a supervisor: the user's row of the parameters database's Users table.
#pragma once

#include <string>

namespace vd {

// True when the Users row whose UserID equals the id has UserSuper -1. The
// database's "=" picks the rows; of those, only one whose UserID equals the
// id without regard to case counts. An empty id never opens the database.
struct Databases;
bool IsUserSupervisor(Databases& databases, const std::string& userId);

}  // namespace vd
