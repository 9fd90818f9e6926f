#include "support/InProcess.h"

#include "app/Main.h"
#include "base/Program.h"
#include "cgi/Output.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace vdtest {

namespace {

// Redirects a standard descriptor to a temporary file for a scope.
class Redirect {
public:
    Redirect(int fd, const std::string& content) : fd_(fd) {
        char name[] = "/tmp/vdio.XXXXXX";
        file_ = mkstemp(name);
        if (file_ < 0) throw std::runtime_error("mkstemp failed");
        unlink(name);
        if (!content.empty() && write(file_, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
            throw std::runtime_error("write failed");
        lseek(file_, 0, SEEK_SET);
        std::fflush(stdout);
        saved_ = dup(fd_);
        dup2(file_, fd_);
    }
    ~Redirect() {
        std::fflush(stdout);
        dup2(saved_, fd_);
        close(saved_);
        close(file_);
    }
    std::string Contents() {
        std::fflush(stdout);
        std::string out;
        lseek(file_, 0, SEEK_SET);
        char buf[65536];
        ssize_t n;
        while ((n = read(file_, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
        return out;
    }

private:
    int fd_, file_, saved_;
};

}  // namespace

std::string CaptureOutput(const std::function<void()>& action) {
    Redirect out(1, "");
    const vd::PageFrame frame = vd::Frame();
    vd::ResetOutput();  // a new response, in the same frame
    vd::SetPageFrame(frame);
    action();
    vd::FlushOutput();
    return out.Contents();
}

InProcessResult RunMain(const std::string& siteRoot, const std::map<std::string, std::string>& env,
                        const std::string& body, const std::function<bool(const std::string&)>& isSupervisor) {
    clearenv();
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    vd::ResetRun();
    InProcessResult result;
    Redirect in(0, body);
    result.out = CaptureOutput([&] {
        result.status = isSupervisor ? vd::Main(siteRoot, isSupervisor)
                                     : vd::Main(siteRoot, [](const std::string&) { return false; });
    });
    return result;
}

}  // namespace vdtest
