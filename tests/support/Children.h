// Work done by several processes at once, for the tests of simultaneous
// writers.
#pragma once

#include <functional>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace vdtest {

// Runs work(0) .. work(count - 1), each in a child process of its own, all
// at the same time; true when every one of them returned true.
inline bool InChildren(int count, const std::function<bool(int)>& work) {
    std::vector<pid_t> pids;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) _exit(work(i) ? 0 : 1);
        pids.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : pids) {
        int status = 0;
        ok = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

}  // namespace vdtest
