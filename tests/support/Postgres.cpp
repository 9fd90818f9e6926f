#include "support/Postgres.h"

#include <sql.h>
#include <sqlext.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace vdtest {

namespace {

const char* const ServerUser = "postgres";  // who runs the server when we are root
const char* const Superuser = "pgadmin";    // the cluster's owner; the site's user is an ordinary role

bool Executable(const fs::path& p) { return access(p.c_str(), X_OK) == 0; }

// The folder holding initdb and pg_ctl: Debian's newest
// /usr/lib/postgresql/<version>/bin, else the PATH.
std::string FindBinDir() {
    std::string best;
    int bestVersion = -1;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const fs::path bin = entry.path() / "bin";
        if (!Executable(bin / "initdb") || !Executable(bin / "pg_ctl")) continue;
        const int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion) {
            bestVersion = version;
            best = bin.string();
        }
    }
    if (!best.empty()) return best;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && Executable(fs::path(dir) / "initdb") && Executable(fs::path(dir) / "pg_ctl")) return dir;
    return "";
}

std::string FindInPath(const std::string& name, const std::vector<std::string>& extra) {
    std::vector<std::string> dirs = extra;
    const char* path = std::getenv("PATH");
    std::stringstream list(path ? path : "");
    for (std::string dir; std::getline(list, dir, ':');) dirs.push_back(dir);
    for (const auto& dir : dirs)
        if (!dir.empty() && Executable(fs::path(dir) / name)) return (fs::path(dir) / name).string();
    return "";
}

// The ODBC drivers registered with the driver manager.
std::vector<std::string> OdbcDrivers() {
    std::vector<std::string> names;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return names;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[256], attributes[1024];
    SQLSMALLINT nameLength = 0, attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDrivers(env, direction, name, sizeof name, &nameLength, attributes, sizeof attributes,
                                    &attributesLength))) {
        names.emplace_back(reinterpret_cast<char*>(name));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return names;
}

// The folder of the system's odbcinst.ini.
std::string SystemOdbcFolder() {
    const char* set = std::getenv("ODBCSYSINI");
    return set && *set ? set : "/etc";
}

// odbcinst.ini with every CommLog switched off.
std::string WithoutCommLog(const std::string& ini) {
    std::stringstream in(ini);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        std::string key = line.substr(0, line.find('='));
        key.erase(std::remove_if(key.begin(), key.end(), [](char c) { return c == ' ' || c == '\t'; }), key.end());
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
        out += (line.find('=') != std::string::npos && key == "commlog" ? "CommLog=0" : line) + "\n";
    }
    return out;
}

int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(fd);
    if (!ok) throw std::runtime_error("no free port on 127.0.0.1");
    return ntohs(address.sin_port);
}

bool IsRoot() { return geteuid() == 0; }

// Runs a server program and waits for it; its output is appended to the
// log. As root it runs as the server user.
int RunServerProgram(std::vector<std::string> args, const std::string& logFile) {
    if (IsRoot()) {
        const std::string runuser = FindInPath("runuser", {"/usr/sbin", "/sbin"});
        if (runuser.empty()) throw std::runtime_error("runuser is missing");
        args.insert(args.begin(), {runuser, "-u", ServerUser, "--"});
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0 || null < 0) _exit(126);
        dup2(null, 0);
        dup2(fd, 1);
        dup2(fd, 2);
        if (chdir("/") != 0) _exit(126);  // the server user may not enter ours
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) throw std::runtime_error("fork failed");
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void GiveToServerUser(const std::string& path) {
    if (!IsRoot()) return;
    const passwd* pw = getpwnam(ServerUser);
    if (!pw || chown(path.c_str(), pw->pw_uid, pw->pw_gid) != 0)
        throw std::runtime_error("cannot give " + path + " to " + ServerUser);
}

// The command that stops the server in this folder at once, as the server
// programs run (RunServerProgram).
std::vector<std::string> ImmediateStop(const std::string& binDir, const std::string& folder) {
    std::vector<std::string> args{binDir + "/pg_ctl", "-D", folder + "/server/data", "-m", "immediate", "-w", "stop"};
    if (IsRoot()) args.insert(args.begin(), {FindInPath("runuser", {"/usr/sbin", "/sbin"}), "-u", ServerUser, "--"});
    return args;
}

}  // namespace

void PostgresServer::Watch() {
    // A process of its own session, not a child of this one, reads the pipe.
    // A line is the end this class gave the server itself (EndWatch); the
    // pipe's end without one, when this process ended any other way, has
    // it stop a server still running in the folder and remove the folder.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> args{"/bin/sh", "-c",
                                  "if read -r line; then exit 0; fi; folder=$1; shift; "
                                  "if [ -f \"$folder/server/data/postmaster.pid\" ]; then \"$@\"; fi; rm -rf \"$folder\"",
                                  "vdpg-watch", folder_};
    for (auto& a : ImmediateStop(binDir_, folder_)) args.push_back(a);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (setsid() < 0) _exit(1);
        if (const pid_t watcher = fork(); watcher != 0) _exit(watcher < 0 ? 1 : 0);
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || dup2(fds[0], 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) _exit(126);
        close_range(3, ~0U, 0);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[0]);
    if (pid < 0) {
        close(fds[1]);
        throw std::runtime_error("fork failed");
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        close(fds[1]);
        throw std::runtime_error("the watching process did not start");
    }
    watch_ = fds[1];
}

void PostgresServer::EndWatch() {
    if (watch_ < 0) return;
    if (write(watch_, "\n", 1) != 1) { /* the watcher is gone: nothing to tell it */ }
    close(watch_);
    watch_ = -1;
}

std::string PostgresServer::Unavailable() {
    if (FindBinDir().empty()) return "the PostgreSQL server programs (initdb, pg_ctl) are not installed";
    if (IsRoot() && !getpwnam(ServerUser))
        return "running as root, but there is no user \"postgres\" to run the server";
    if (IsRoot() && FindInPath("runuser", {"/usr/sbin", "/sbin"}).empty()) return "running as root without runuser";
    const std::vector<std::string> drivers = OdbcDrivers();
    for (const char* wanted : {"PostgreSQL Unicode", "PostgreSQL ANSI"})
        if (std::find(drivers.begin(), drivers.end(), wanted) == drivers.end())
            return std::string("the ODBC driver \"") + wanted + "\" is not registered (package odbc-postgresql)";
    return "";
}

PostgresServer::PostgresServer() : binDir_(FindBinDir()) {
    if (binDir_.empty()) throw std::runtime_error(Unavailable());
    std::string tmpl = (fs::temp_directory_path() / "vdpg.XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = tmpl;
    try {
        Watch();
        fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::create_directories(folder_ + "/server");
        fs::permissions(folder_ + "/server", fs::perms::owner_all);
        WriteFile(folder_ + "/server/pw", std::string(SiteSqlPassword) + "\n");
        GiveToServerUser(folder_ + "/server");
        GiveToServerUser(folder_ + "/server/pw");

        const std::string log = folder_ + "/commands.log";
        if (RunServerProgram({binDir_ + "/initdb", "-D", folder_ + "/server/data", "-U", Superuser,
                              "--pwfile=" + folder_ + "/server/pw", "--auth=scram-sha-256", "-E", "UTF8",
                              "--locale=C", "--no-sync"},
                             log) != 0)
            throw std::runtime_error("initdb failed:\n" + ReadFile(log));
        Start();

        const std::string odbc = folder_ + "/odbc";
        WriteFile(odbc + "/odbcinst.ini", WithoutCommLog(ReadFile(SystemOdbcFolder() + "/odbcinst.ini")));
        WriteFile(odbc + "/odbc.ini", "");
        const char* old = std::getenv("ODBCSYSINI");
        hadOdbcSysIni_ = old != nullptr;
        if (old) oldOdbcSysIni_ = old;
        setenv("ODBCSYSINI", odbc.c_str(), 1);
        odbcSysIni_ = odbc;

        ExecOdbc(Connect(Superuser, "postgres"),
                 std::string("CREATE ROLE ") + SiteSqlUser + " LOGIN CREATEDB PASSWORD '" + SiteSqlPassword + "'");
    } catch (...) {
        Stop();
        RestoreOdbcSysIni();
        std::error_code ec;
        fs::remove_all(folder_, ec);
        EndWatch();
        throw;
    }
}

void PostgresServer::RestoreOdbcSysIni() {
    if (odbcSysIni_.empty()) return;
    if (hadOdbcSysIni_) setenv("ODBCSYSINI", oldOdbcSysIni_.c_str(), 1);
    else unsetenv("ODBCSYSINI");
    odbcSysIni_.clear();
}

void PostgresServer::Start() {
    const std::string log = folder_ + "/commands.log";
    const std::string serverLog = folder_ + "/server/server.log";  // written by the server's user
    // A port found free may be taken before the server binds it: try again.
    for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
        port_ = FreePort();
        const std::string options = "-c listen_addresses=127.0.0.1 -p " + std::to_string(port_) +
                                    " -c unix_socket_directories='' -c fsync=off -c synchronous_commit=off"
                                    " -c full_page_writes=off";
        running_ = RunServerProgram({binDir_ + "/pg_ctl", "-D", folder_ + "/server/data", "-l", serverLog, "-w", "-t",
                                     "60", "-o", options, "start"},
                                    log) == 0;
    }
    if (!running_)
        throw std::runtime_error("the PostgreSQL server did not start:\n" + ReadFile(log) + ReadFile(serverLog));
}

void PostgresServer::Stop() {
    if (!running_) return;
    const std::string log = folder_ + "/commands.log";
    if (RunServerProgram({binDir_ + "/pg_ctl", "-D", folder_ + "/server/data", "-m", "fast", "-w", "stop"}, log) != 0)
        RunServerProgram({binDir_ + "/pg_ctl", "-D", folder_ + "/server/data", "-m", "immediate", "-w", "stop"}, log);
    running_ = false;
}

PostgresServer::~PostgresServer() {
    try {
        Stop();
    } catch (const std::exception&) {
        // The folder goes all the same.
    }
    RestoreOdbcSysIni();
    std::error_code ec;
    fs::remove_all(folder_, ec);
    EndWatch();
}

std::string PostgresServer::Connect(const std::string& user, const std::string& database) const {
    // Both roles have the same password.
    return "DRIVER={PostgreSQL Unicode};Servername=127.0.0.1;Port=" + std::to_string(port_) + ";Database=" +
           database + ";UID=" + user + ";PWD=" + SiteSqlPassword + ";";
}

void PostgresServer::CreateDatabase(const std::string& name) const {
    ExecOdbc(Connect(SiteSqlUser, "postgres"), "CREATE DATABASE " + name);
}

void PostgresServer::EmptyDatabase(const std::string& name) {
    if (created_.insert(name).second) {
        CreateDatabase(name);
    } else {
        // Much faster than a new database.
        ExecOdbc(Connect(SiteSqlUser, name), "DROP SCHEMA public CASCADE;\nCREATE SCHEMA public;\n");
    }
}

ServerDatabases PostgresServer::Databases(const std::string& driver, const std::string& paramsDb,
                                          const std::string& billingDb) {
    EmptyDatabase(paramsDb);
    EmptyDatabase(billingDb);
    const std::string port = std::to_string(port_);
    return {"DRIVER=" + driver + "\r\nServername=127.0.0.1\r\nPort=" + port + "\r\n",
            "DRIVER={" + driver + "};Servername=127.0.0.1;Port=" + port + ";UID=" + SiteSqlUser +
                ";PWD=" + SiteSqlPassword + ";",
            paramsDb, billingDb};
}

}  // namespace vdtest
