#include "base/Program.h"

#include <climits>
#include <unistd.h>

namespace vd {

std::string ExecutableFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    const std::string exe(buf, static_cast<size_t>(n));
    const auto slash = exe.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

}  // namespace vd
