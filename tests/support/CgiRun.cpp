#include "support/CgiRun.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace vdtest {

const char* const TopTemplate = "<HTML><BODY>\r\n<GETGRAPHIC><IMG SRC=\"logo.gif\"></GETGRAPHIC>\r\n";
const char* const BottomTemplate = "<HR>\r\n</BODY></HTML>\r\n";
const char* const ErrTopTemplate = "<HTML><BODY class=err>\r\n";
const char* const ErrBottomTemplate = "</BODY></HTML>\r\n";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

Site::Site() {
    std::string tmpl = (fs::temp_directory_path() / "vdsite.XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    root_ = buf.data();
    fs::permissions(root_, fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
    fs::copy_file(VDCONFIG_BINARY, Exe());
    fs::create_directories(root_ + "/html");
    fs::create_directories(root_ + "/temp");
}

Site::~Site() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

void Site::Write(const std::string& relative, const std::string& content) const { WriteFile(Path(relative), content); }
std::string Site::Read(const std::string& relative) const { return ReadFile(Path(relative)); }
bool Site::Exists(const std::string& relative) const { return fs::exists(Path(relative)); }

void Site::WriteIni(const std::string& extraWebLines, const std::string& otherSections) const {
    std::string ini = "[Vexdoc/Web]\r\n";
    ini += "WebPath=/web/\r\n";
    ini += "WebScriptsPath=/cgi/\r\n";
    ini += "HTMLPath=" + HtmlPath() + "\r\n";
    ini += "TempPath=" + root_ + "/temp/\r\n";
    ini += extraWebLines;
    ini += otherSections;
    Write("vexweb.ini", ini);
}

void Site::WriteTemplates() const {
    Write("html/tbltop.htm", TopTemplate);
    Write("html/tblbot.htm", BottomTemplate);
    Write("html/errtop.htm", ErrTopTemplate);
    Write("html/errbot.htm", ErrBottomTemplate);
}

CgiResult Site::Run(const std::string& query, const std::string& body,
                    const std::map<std::string, std::string>& env) const {
    std::map<std::string, std::string> all = {
        {"REQUEST_METHOD", body.empty() ? "GET" : "POST"},
        {"QUERY_STRING", query},
        {"GATEWAY_INTERFACE", "CGI/1.1"},
        {"PATH", "/usr/bin:/bin"},
        {"TZ", "UTC"},
    };
    if (!body.empty()) all["CONTENT_LENGTH"] = std::to_string(body.size());
    for (const auto& [k, v] : env) all[k] = v;
    return RunEnv(all, body);
}

bool Site::RunKilledAfter(const std::string& body, int microseconds) const {
    int in[2];
    if (pipe(in)) throw std::runtime_error("pipe failed");
    if (write(in[1], body.data(), body.size()) != static_cast<ssize_t>(body.size()))
        throw std::runtime_error("body larger than a pipe");
    close(in[1]);
    std::vector<std::string> envStrings = {"REQUEST_METHOD=POST", "QUERY_STRING=", "PATH=/usr/bin:/bin", "TZ=UTC",
                                           "CONTENT_LENGTH=" + std::to_string(body.size())};
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string exe = Exe();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(in[0], 0);
        dup2(null, 1);
        dup2(null, 2);
        char* argv[] = {exe.data(), nullptr};
        execve(exe.c_str(), argv, envp.data());
        _exit(127);
    }
    close(in[0]);
    usleep(static_cast<useconds_t>(microseconds));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status);
}

CgiResult Site::RunEnv(const std::map<std::string, std::string>& env, const std::string& body) const {
    return RunProgram({Exe()}, env, body);
}

CgiResult RunProgram(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                     const std::string& body) {
    // A program that ends before reading its whole body closes the pipe:
    // the write fails with EPIPE instead of killing the test.
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : env) envStrings.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings = args;
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        // Start somewhere else than the program folder, as a web server may.
        if (chdir("/") != 0) _exit(126);
        std::signal(SIGPIPE, SIG_DFL);  // the program runs as a web server starts it
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    CgiResult result;
    size_t written = 0;
    int inFd = in[1];
    if (body.empty()) {
        close(inFd);
        inFd = -1;
    } else {
        fcntl(inFd, F_SETFL, O_NONBLOCK);
    }
    bool outOpen = true, errOpen = true;
    char buf[65536];
    while (outOpen || errOpen) {
        pollfd fds[3];
        int n = 0;
        int outIdx = -1, errIdx = -1, inIdx = -1;
        if (outOpen) { fds[n] = {out[0], POLLIN, 0}; outIdx = n++; }
        if (errOpen) { fds[n] = {err[0], POLLIN, 0}; errIdx = n++; }
        if (inFd >= 0) { fds[n] = {inFd, POLLOUT, 0}; inIdx = n++; }
        if (poll(fds, n, 60000) <= 0) break;
        if (inIdx >= 0 && (fds[inIdx].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t w = write(inFd, body.data() + written, body.size() - written);
            if (w > 0) written += static_cast<size_t>(w);
            if (w < 0 && errno != EAGAIN) written = body.size();
            if (written >= body.size()) { close(inFd); inFd = -1; }
        }
        if (outIdx >= 0 && (fds[outIdx].revents & (POLLIN | POLLHUP | POLLERR))) {
            ssize_t r = read(out[0], buf, sizeof buf);
            if (r > 0) result.out.append(buf, static_cast<size_t>(r)); else outOpen = false;
        }
        if (errIdx >= 0 && (fds[errIdx].revents & (POLLIN | POLLHUP | POLLERR))) {
            ssize_t r = read(err[0], buf, sizeof buf);
            if (r > 0) result.err.append(buf, static_cast<size_t>(r)); else errOpen = false;
        }
    }
    if (inFd >= 0) close(inFd);
    close(out[0]);
    close(err[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.peakKiB = usage.ru_maxrss;
    return result;
}

}  // namespace vdtest
