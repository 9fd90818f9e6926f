#include "app/SiteFiles.h"

#include "base/Program.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
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

namespace {

constexpr const char* SettingsName = "vexweb.ini";

std::string Join(const std::string& folder, std::string_view name) {
    return folder + (folder.empty() || folder.back() == '/' ? "" : "/") + std::string(name);
}

// Why a folder's name in an open folder could not be opened as a folder.
std::string WhyNotOpened(int at, const std::string& name, const std::string& shown, int err) {
    struct stat st{};
    if (fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        return shown + " is a symbolic link";
    if (err == ENOTDIR) return shown + " is not a folder";
    return shown + ": " + std::strerror(err);
}

// The descriptor, which the caller then owns.
int Release(OpenFd& open) {
    const int fd = open.fd;
    open.fd = -1;
    return fd;
}

}  // namespace

bool SiteAccess::BecomeOwner(uid_t uid, const std::string& path, std::string& why) {
    const std::string how =
        "; run it as the owner of " + path + ", e.g. runuser -u OWNER -- vdconfig " + command_ + " ...";
    const passwd* pw = getpwuid(uid);
    if (!pw) {
        why = path + " belongs to uid " + std::to_string(uid) + ", which has no user name" + how;
        return false;
    }
    const std::string name = pw->pw_name;
    const gid_t gid = pw->pw_gid;
    if (initgroups(name.c_str(), gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
        why = "cannot become " + name + ", the owner of " + path + " (" + std::strerror(errno) + ")" + how;
        return false;
    }
    if (setuid(0) == 0) {
        why = "still root after becoming " + name + how;
        return false;
    }
    return true;
}

// Only root is judged: anyone else has no rights to lend.
bool SiteAccess::Judge(int fd, const std::string& path, bool worksIn, std::string& why) {
    if (geteuid() != 0) return true;
    struct stat st{};
    if (fstat(fd, &st) != 0) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
    if (st.st_uid != 0) return BecomeOwner(st.st_uid, path, why);
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (!worksIn && (st.st_mode & S_ISVTX))) return true;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    why = path + " belongs to root but its group or others may write it (mode " + mode +
          "), so they could make root write elsewhere; make it root's alone (chmod go-w " + path +
          ") or give it to the user who writes there (chown)";
    return false;
}

int SiteAccess::Walk(const std::string& path, int from, const std::string& shownFrom, std::string& why) {
    const bool absolute = !path.empty() && path.front() == '/';
    std::string shown = absolute ? "/" : shownFrom;
    OpenFd at(absolute ? open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                       : openat(from, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (at.fd < 0) {
        why = shown + ": " + std::strerror(errno);
        return -1;
    }
    std::string_view rest = path;
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string name(rest.substr(0, slash));
        rest = slash == rest.npos ? std::string_view() : rest.substr(slash + 1);
        if (name.empty() || name == ".") continue;
        if (!Judge(at.fd, shown, false, why)) return -1;
        const int next = openat(at.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const std::string nextShown = Join(shown, name);
        if (next < 0) {
            why = WhyNotOpened(at.fd, name, nextShown, errno);
            return -1;
        }
        close(at.fd);
        at.fd = next;
        shown = nextShown;
    }
    if (!Judge(at.fd, shown, true, why)) return -1;
    return Release(at);
}

int SiteAccess::OpenFolder(const std::string& path, std::string& why) {
    if (!path.empty() && path.front() == '/') return Walk(path, AT_FDCWD, "", why);
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) {
        why = std::string("the current folder: ") + std::strerror(errno);
        return -1;
    }
    return Walk(Join(cwd, path), AT_FDCWD, "", why);
}

int SiteAccess::OpenSettingsFolder(const std::string& programFolder, SettingsFile& place, std::string& why) {
    place = {programFolder, SettingsName};
    OpenFd program(OpenFolder(programFolder, why));
    if (program.fd < 0) return -1;
    struct stat st{};
    if (fstatat(program.fd, SettingsName, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode))
        return Release(program);
    // The site's own link, read as whoever the program folder made us.
    char target[PATH_MAX];
    const ssize_t n = readlinkat(program.fd, SettingsName, target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof target) {
        why = place.Path() + ": the link cannot be read";
        return -1;
    }
    const std::string t(target, static_cast<size_t>(n));
    const size_t slash = t.rfind('/');
    const std::string base = slash == t.npos ? t : t.substr(slash + 1);
    const std::string folder = slash == t.npos ? "" : slash == 0 ? "/" : t.substr(0, slash);
    place = {folder.empty() ? programFolder : folder.front() == '/' ? folder : programFolder + "/" + folder, base};
    if (base.empty() || base == "." || base == "..") {
        why = programFolder + "/" + SettingsName + " links to " + t + ", which names no file";
        return -1;
    }
    if (folder.empty()) return Release(program);
    return Walk(folder, program.fd, programFolder, why);
}

}  // namespace vd
