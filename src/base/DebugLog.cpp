#include "base/DebugLog.h"

#include "base/ProcessState.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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
    // Not through a link planted in its place (the temporary folder may be
    // shared), and only into a regular file.
    const int fd = open(LogFilePath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd >= 0) {
        struct stat st{};
        bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                  write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
        ok = close(fd) == 0 && ok;
        if (ok) return;
    }
    std::string err = "vdconfig: cannot write debug log " + LogFilePath + ": " + line;
    std::fwrite(err.data(), 1, err.size(), stderr);
}

}  // namespace vd
