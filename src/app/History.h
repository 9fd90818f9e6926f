// vdconfig --history: the audit trail, newest first, as a person reads it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vd {

struct HistoryFilter {
    std::string Since;     // YYYY-MM-DD: records of that day or later
    std::string Until;     // YYYY-MM-DD: records of that day or earlier
    std::string User;      // the field "User" or REMOTE_USER, without regard to case
    std::string Database;  // "ABC" (an application) or "ABC-01" (one database)
};

// Writes the readable listing of the trail's lines (oldest first in the
// file) to out; a line that is not a record is shown as it stands.
void ListHistory(const std::vector<std::string>& lines, const HistoryFilter& filter, std::ostream& out);

// The command: arguments after --history. Returns the exit status; usage
// errors and an unreadable trail go to err.
int HistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// vdconfig --restore VERSION: puts a kept version of vexweb.ini back, the
// way a save replaces it (locked, one atomic replacement); the replaced
// file is kept as a version in turn and the restore is recorded. VERSION is
// a name from vexweb.ini.history/ (or a path to one). Returns the exit
// status.
int RestoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vd
