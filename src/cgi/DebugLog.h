// The debug log: one line per call while the Debug setting is on.
#pragma once

#include <string_view>

namespace vd {

// Appends message + " " + "hh:mm:ss" + CRLF to LogFilePath when
// WebSettings.DebugEnabled is true. A log that cannot be written never stops
// a page: the line goes to standard error (the web server's error log).
void DebugLog(std::string_view message);

// Whether DebugLog writes: a caller whose message costs something to build
// asks first.
bool DebugLogging();

}  // namespace vd
