// Root follows no other user's link: vdconfig --restore and --history run
// as root on the sites the layout script makes, while the web server's user
// swaps links into every place it may write; and the files a request opens
// beside vexweb.ini follow no link either.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"

#include "app/History.h"
#include "app/Restore.h"
#include "base/DebugLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sstream>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vdtest;
namespace fs = std::filesystem;

namespace {

const std::string Version = "20260101T000000Z-admin.ini";

// Everything under a folder: names, owners, modes and contents.
std::string Snapshot(const std::string& folder) {
    std::vector<std::string> lines;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        struct stat st{};
        lstat(e.path().c_str(), &st);
        std::string line = e.path().string() + " " + std::to_string(st.st_uid) + " " + std::to_string(st.st_mode);
        if (S_ISREG(st.st_mode)) line += " " + ReadFile(e.path());
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    return all;
}

// A scratch folder on a memory file system where there is one (a restore
// syncs what it writes), reachable by the web server's user.
struct Scratch {
    std::string root;
    Scratch() {
        std::string tmpl = (fs::exists("/dev/shm") ? std::string("/dev/shm") : fs::temp_directory_path().string()) +
                           "/vdroot.XXXXXX";
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        root = tmpl;
        chmod(root.c_str(), 0755);
    }
    ~Scratch() { fs::remove_all(root); }
};

// Root's own files outside the site, which the planted links name.
void MakeOutside(const std::string& outside) {
    fs::create_directories(outside + "/vexweb.ini.history");
    WriteFile(outside + "/vexweb.ini", "[Vexdoc/Web]\nroot=own\n");
    WriteFile(outside + "/vexweb.ini.history/" + Version, "[Vexdoc/Web]\nroot=kept\n");
    WriteFile(outside + "/vdconfig-audit.log", "root's trail\n");
    chmod((outside + "/vexweb.ini").c_str(), 0600);
}

// Runs a command, its output discarded; its exit status.
int Quiet(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        char path[] = "PATH=/usr/bin:/bin";
        char* envp[] = {path, nullptr};
        execve(argv[0], argv.data(), envp);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// Runs the administrator's command in a process of its own (it may give
// up root for good), as the program's command line does; its exit status.
int InChild(const std::function<int(std::ostream&, std::ostream&)>& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::ostringstream out, err;
        _exit(command(out, err));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// The web server's user, swapping links to root's files into the folder
// it owns, again and again, until killed.
pid_t StartSwapping(const passwd& user, const std::string& folder, const std::string& outside) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (setgid(user.pw_gid) != 0 || setuid(user.pw_uid) != 0) _exit(1);
    const std::string ini = folder + "/vexweb.ini", kept = ini + ".history", trail = folder + "/vdconfig-audit.log";
    const std::string link = folder + "/.planted", file = folder + "/.plain", away = kept + ".away";
    for (unsigned n = 0;; ++n) {
        if (symlink((outside + "/vexweb.ini").c_str(), link.c_str()) == 0) rename(link.c_str(), ini.c_str());
        if (n % 3 == 0 && rename(kept.c_str(), away.c_str()) == 0) {
            if (symlink((outside + "/vexweb.ini.history").c_str(), kept.c_str()) == 0) unlink(kept.c_str());
            rename(away.c_str(), kept.c_str());
        }
        if (n % 2 == 0 && symlink((outside + "/vdconfig-audit.log").c_str(), link.c_str()) == 0)
            rename(link.c_str(), trail.c_str());
        else
            unlink(trail.c_str());
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0 && write(fd, "[Vexdoc/Web]\nx=1\n", 17) == 17) rename(file.c_str(), ini.c_str());
        if (fd >= 0) close(fd);
    }
}

struct RaceResult {
    int restored = 0, refused = 0;
};

// Lays a site out with the layout script, plants a kept version, and runs
// --restore and --history as root while the swapping goes on.
RaceResult Race(const std::string& layoutOption, const std::string& settingsFolder, int runs) {
    const passwd* www = getpwnam("www-data");
    Scratch scratch;
    const std::string site = scratch.root + "/site", outside = scratch.root + "/outside";
    MakeOutside(outside);
    std::vector<std::string> layout = {"/usr/bin/env", "HOME=/root", "VDCONFIG=" VDCONFIG_BINARY, "VDKEYS=" VDKEYS_BINARY,
                                       "/bin/bash", VD_SOURCE_DIR "/scripts/site/layout", "--owner", "www-data"};
    if (!layoutOption.empty()) layout.push_back(layoutOption);
    layout.push_back(site);
    EXPECT_EQ(Quiet(layout), 0);
    const std::string folder = site + "/" + settingsFolder;
    fs::create_directories(folder + "/vexweb.ini.history");
    WriteFile(folder + "/vexweb.ini.history/" + Version, "[Vexdoc/Web]\nrestored=yes\n");
    for (const std::string& f : {folder + "/vexweb.ini.history", folder + "/vexweb.ini.history/" + Version})
        EXPECT_EQ(chown(f.c_str(), www->pw_uid, www->pw_gid), 0);
    const std::string before = Snapshot(outside);
    const pid_t swapper = StartSwapping(*www, folder, outside);
    RaceResult result;
    for (int i = 0; i < runs; ++i) {
        (InChild([&](std::ostream& out, std::ostream& err) { return vd::RestoreCommand({Version, site}, out, err); }) == 0
             ? result.restored
             : result.refused)++;
        if (i % 8 == 0) InChild([&](std::ostream& out, std::ostream& err) { return vd::HistoryCommand({site}, out, err); });
    }
    kill(swapper, SIGKILL);
    waitpid(swapper, nullptr, 0);
    const std::string after = Snapshot(outside);
    EXPECT_TRUE(after == before) << layoutOption << ": root's files changed:\n" << after.substr(0, 1500);
    return result;
}

}  // namespace

TEST(Root, ALinkSwappedInDuringARestoreNeverMakesRootWriteOutsideTheSite) {
    if (geteuid() != 0 || !getpwnam("www-data")) GTEST_SKIP() << "needs root and the user www-data";
    for (const auto& [option, folder] : {std::pair{"", "scripts"}, std::pair{"--production", "state"}}) {
        const RaceResult r = Race(option, folder, 2000);
        // Both ways of the race were run: restores that went through, and
        // restores that met a planted link and stopped.
        EXPECT_GT(r.restored, 0) << option;
        EXPECT_GT(r.refused, 0) << option;
    }
}

TEST(Root, AFolderOfRootsThatOthersMayWriteIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    Site site;
    site.WriteIni();
    site.Write("vexweb.ini.history/" + Version, "[Vexdoc/Web]\nrestored=yes\n");
    site.Write("vdconfig-audit.log", "");
    const std::string ini = site.Read("vexweb.ini");
    chmod(site.Root().c_str(), 0777);
    const std::string why = site.Root() + " belongs to root but its group or others may write it (mode 0777)";
    CgiResult r = RunProgram({site.Exe(), "--restore", Version, site.Root()}, {{"PATH", "/usr/bin:/bin"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("vdconfig: " + why), 0u) << r.err;
    EXPECT_NE(r.err.find("; " + site.Root() + "/vexweb.ini not restored\n"), std::string::npos) << r.err;
    EXPECT_EQ(site.Read("vexweb.ini"), ini);
    EXPECT_EQ(site.Read("vdconfig-audit.log"), "");
    r = RunProgram({site.Exe(), "--history", site.Root()}, {{"PATH", "/usr/bin:/bin"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("vdconfig: " + why), 0u) << r.err;
    EXPECT_NE(r.err.find("; no audit trail read\n"), std::string::npos) << r.err;
    chmod(site.Root().c_str(), 0755);
}

TEST(Root, TheLockAndTheDebugLogOfARequestFollowNoLink) {
    Site site;
    SiteDatabases dbs(site);
    SetUpSupervisorSite(site, dbs);
    dbs.AddDocType("ABC", "01", "Deeds");
    site.Write("outside/lock", "root's\n");
    site.Write("outside/log", "root's\n");
    ASSERT_EQ(symlink(site.Path("outside/lock").c_str(), site.Path("RatePlans.lock").c_str()), 0);
    CgiResult r = site.Run("", Body(RatePlanFields("32767", "Gold")));
    EXPECT_NE(r.out.find("(75) Error: Path/File access error"), std::string::npos) << r.out;
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule")[0][0], "0");
    EXPECT_EQ(site.Read("outside/lock"), "root's\n");
    // The debug log: a link planted in the temporary folder.
    ASSERT_EQ(symlink(site.Path("outside/log").c_str(), site.Path("temp/vdconfig.log").c_str()), 0);
    vd::ConfigureDebugLog(true, site.Path("temp/vdconfig.log"));
    testing::internal::CaptureStderr();
    vd::DebugLog("planted");
    const std::string err = testing::internal::GetCapturedStderr();
    vd::ConfigureDebugLog(false, "");
    EXPECT_NE(err.find("cannot write debug log " + site.Path("temp/vdconfig.log") + ": planted"), std::string::npos);
    EXPECT_EQ(site.Read("outside/log"), "root's\n");
}
