#include "app/SiteFiles.h"

#include "base/Program.h"
#include "settings/WebSettings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

bool HoldsSettings(const std::string& folder) {
    struct stat st{};
    return lstat((folder + "/vexweb.ini").c_str(), &st) == 0;
}

std::string Absolute(const std::string& folder) {
    char buf[PATH_MAX];
    return realpath(folder.c_str(), buf) ? std::string(buf) : folder;
}

}  // namespace

std::string CommandFolder(const std::string& given) {
    std::string folder = given;
    if (folder.empty()) {
        folder = ExecutableFolder();
        if (!HoldsSettings(folder)) {
            char cwd[PATH_MAX];
            if (getcwd(cwd, sizeof cwd)) folder = cwd;
        }
    } else if (!HoldsSettings(folder) && HoldsSettings(folder + "/scripts")) {
        folder += "/scripts";
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return Absolute(folder);
}

SettingsFile LocateSettings(const std::string& programFolder) {
    std::string path = SettingsFileIn(programFolder);
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n > 0 && static_cast<size_t>(n) < sizeof target) {
            const std::string t(target, static_cast<size_t>(n));
            path = t.front() == '/' ? t : programFolder + "/" + t;
        }
    }
    const size_t slash = path.rfind('/');
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

int OpenPlainFile(int folderFd, const std::string& name, std::string& why) {
    // O_NONBLOCK: a FIFO planted in the file's place does not hang the open.
    const int fd = openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = errno == ELOOP ? "is a symbolic link" : std::strerror(errno);
        return -1;
    }
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        why = "is not a regular file";
        return -1;
    }
    return fd;
}

bool ReadWhole(int fd, std::string& text) {
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.append(buf, static_cast<size_t>(n));
    }
}

}  // namespace vd
