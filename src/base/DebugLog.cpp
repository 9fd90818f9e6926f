#include "base/DebugLog.h"

#include "base/ProcessState.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace vd {

namespace {
struct LogState {
    bool enabled = false;
    std::string path;
};
LogState& State() { return ProcessState::Of<LogState>(); }
}  // namespace

void ConfigureDebugLog(bool enabled, std::string path) {
    State().enabled = enabled;
    State().path = std::move(path);
}

const std::string& DebugLogPath() { return State().path; }

bool DebugLogging() { return State().enabled; }

void DebugLog(std::string_view message) {
    if (!State().enabled) return;
    const std::string& LogFilePath = State().path;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, " %02d:%02d:%02d\r\n", local.tm_hour, local.tm_min, local.tm_sec);
    std::string line(message);
    line += stamp;
    if (std::FILE* f = std::fopen(LogFilePath.c_str(), "ab")) {
        bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
        ok = (std::fclose(f) == 0) && ok;
        if (ok) return;
    }
    std::string err = "vdconfig: cannot write debug log " + LogFilePath + ": " + line;
    std::fwrite(err.data(), 1, err.size(), stderr);
}

}  // namespace vd
