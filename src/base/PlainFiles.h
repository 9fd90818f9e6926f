// Files opened without following a link in their place: the descriptor
// that closes itself, the opening of a regular file in an opened folder,
// and the reading of a whole file.
#pragma once

#include <string>
#include <unistd.h>
#include <utility>

namespace vd {

// An open file descriptor that closes itself.
struct OpenFd {
    int fd = -1;
    explicit OpenFd(int f) : fd(f) {}
    OpenFd(OpenFd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    ~OpenFd() {
        if (fd >= 0) close(fd);
    }
    OpenFd(const OpenFd&) = delete;
    OpenFd& operator=(const OpenFd&) = delete;
};

// Opens a file for reading without following a symbolic link in its place,
// and only when it is a regular file (a FIFO there does not hang the open).
// Returns the descriptor, or -1 with why set ("is a symbolic link", "is not
// a regular file", the system's text).
int OpenPlainFile(int folderFd, const std::string& name, std::string& why);

// The whole content of an open file appended to text; false with errno set
// when a read fails.
bool ReadWhole(int fd, std::string& text);

}  // namespace vd
