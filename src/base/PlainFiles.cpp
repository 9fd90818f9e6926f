#include "base/PlainFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace vd {

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
