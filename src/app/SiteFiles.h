// The files of a site as the administrator's commands find them: the
// program folder a command works on, and the folder that really holds
// vexweb.ini, found through the program folder's own link only.
#pragma once

#include <string>
#include <unistd.h>

namespace vd {

// An open file descriptor that closes itself.
struct OpenFd {
    int fd = -1;
    explicit OpenFd(int f) : fd(f) {}
    ~OpenFd() {
        if (fd >= 0) close(fd);
    }
    OpenFd(const OpenFd&) = delete;
    OpenFd& operator=(const OpenFd&) = delete;
};

// The program folder a command works on, as an absolute path: the folder
// given (a site folder whose scripts/ holds vexweb.ini stands for that
// program folder), else the program's own folder when it holds vexweb.ini,
// else the current folder.
std::string CommandFolder(const std::string& given);

// Where vexweb.ini really is: the program folder's vexweb.ini, or the file
// that its symbolic link names. That link is the site's own and is read
// once; a link at the place it names is not followed.
struct SettingsFile {
    std::string Folder;  // the folder that holds it (the state folder of a production site)
    std::string Base;    // its name there
    std::string Path() const { return Folder + "/" + Base; }
};
SettingsFile LocateSettings(const std::string& programFolder);

// Opens a file for reading without following a symbolic link in its place,
// and only when it is a regular file. Returns the descriptor, or -1 with
// why set ("is a symbolic link", "is not a regular file", the system's text).
int OpenPlainFile(int folderFd, const std::string& name, std::string& why);

// The whole content of an open file; false when a read fails.
bool ReadWhole(int fd, std::string& text);

}  // namespace vd
