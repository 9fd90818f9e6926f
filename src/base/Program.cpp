#include "base/Program.h"

#include <climits>
#include <unistd.h>

namespace vd {

namespace {
std::string& Folder() {
    static std::string folder = [] {
        char buf[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return std::string(".");
        std::string exe(buf, static_cast<size_t>(n));
        auto slash = exe.rfind('/');
        if (slash == std::string::npos) return std::string(".");
        return slash == 0 ? std::string("/") : exe.substr(0, slash);
    }();
    return folder;
}
}  // namespace

const std::string& ProgramFolder() { return Folder(); }

void SetProgramFolder(const std::string& folder) { Folder() = folder; }

std::string WebIniPath() { return ProgramFolder() + "/vexweb.ini"; }

}  // namespace vd
