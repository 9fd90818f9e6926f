#include "cgi/DebugLog.h"

#include "app/RunValues.h"
#include "settings/WebSettings.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace vd {

bool DebugLogging() { return WebSettings.DebugEnabled; }

void DebugLog(std::string_view message) {
    if (!WebSettings.DebugEnabled) return;
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
