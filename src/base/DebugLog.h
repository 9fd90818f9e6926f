// The debug log: one line per call while the Debug setting is on.
#pragma once

#include <string>
#include <string_view>

namespace vd {

// Turns the log on (Debug=TRUE) or off and names its file (TempPath +
// "vdconfig.log"). Off until the run's settings are loaded.
void ConfigureDebugLog(bool enabled, std::string path);

// The file named by ConfigureDebugLog.
const std::string& DebugLogPath();

// Appends message + " " + "hh:mm:ss" + CRLF to the log file while the log
// is on. A log that cannot be written never stops a page: the line goes to
// standard error (the web server's error log).
void DebugLog(std::string_view message);

// Whether DebugLog writes: a caller whose message costs something to build
// asks first.
bool DebugLogging();

}  // namespace vd
