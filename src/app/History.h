// vdconfig --history: the audit trail, newest first, as a person reads it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "settings/AuditRecords.h"

namespace vd {

using HistoryFilter = TrailFilter;  // the kind is not asked for on the command line

// Writes the readable listing of the trail's lines (oldest first in the
// file) to out; a line that is not a record is shown as it stands. Every
// control character of a record is shown as \xNN.
void ListHistory(const std::vector<std::string>& lines, const HistoryFilter& filter, std::ostream& out);

// The command: arguments after --history; the last one may name the site's
// folder (see CommandFolder). Returns the exit status: 0, 1 for a trail
// that cannot be read (a link in its place is not followed), 2 for a usage
// error or a date that is not a day of the calendar; the reason goes to err.
int HistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vd
