// vdconfig --restore and --history as an administrator runs them, on a site
// laid out as in production (vexweb.ini a link into a state folder that the
// web server's user owns), with the links and records that user could plant.
#include "support/CgiRun.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

using namespace vdtest;

namespace {

const std::string Version = "20260101T000000Z-admin.ini";
const std::string OldIni = "[Vexdoc/Web]\nHomePage=old.htm\n";

// The program folder is the site's root; its vexweb.ini links to state/.
struct StateSite {
    Site site;
    StateSite() {
        site.WriteIni();
        site.Write("state/vexweb.ini", site.Read("vexweb.ini"));
        std::remove(site.Path("vexweb.ini").c_str());
        EXPECT_EQ(symlink(site.Path("state/vexweb.ini").c_str(), site.Path("vexweb.ini").c_str()), 0);
        site.Write("state/vexweb.ini.history/" + Version, OldIni);
        site.Write("secret", "root's own\n");
        chmod(site.Path("secret").c_str(), 0600);
    }
    CgiResult Restore(const std::string& version, std::map<std::string, std::string> env = {}) const {
        env["PATH"] = "/usr/bin:/bin";
        return RunProgram({site.Exe(), "--restore", version, site.Root()}, env);
    }
    void Plant(const std::string& relative, const std::string& target) const {
        std::remove(site.Path(relative).c_str());
        ASSERT_EQ(symlink(target.c_str(), site.Path(relative).c_str()), 0);
    }
};

}  // namespace

TEST(Restore, TakesOnlyKeptVersionsAndFollowsNoPlantedLink) {
    StateSite s;
    const std::string ini = s.site.Read("state/vexweb.ini");
    // Outside the versions folder, by any spelling.
    for (const std::string& v : {std::string("../../etc/passwd"), s.site.Path("state/vexweb.ini.history/../../secret"),
                                 std::string("/etc/passwd")}) {
        CgiResult r = s.Restore(v);
        EXPECT_EQ(r.status, 1) << v;
        EXPECT_NE(r.err.find(" is not in " + s.site.Path("state/vexweb.ini.history")), std::string::npos) << r.err;
    }
    EXPECT_NE(s.Restore("passwd").err.find("passwd is not a kept version"), std::string::npos);
    // A kept "version" that is a link to a secret file.
    s.Plant("state/vexweb.ini.history/20260102T000000Z-x.ini", s.site.Path("secret"));
    CgiResult r = s.Restore("20260102T000000Z-x.ini");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("20260102T000000Z-x.ini is a symbolic link"), std::string::npos) << r.err;
    EXPECT_EQ(s.site.Read("state/vexweb.ini"), ini);
    EXPECT_FALSE(s.site.Exists("state/vdconfig-audit.log"));
    // A link in place of the trail, then of the state folder's vexweb.ini.
    s.Plant("state/vdconfig-audit.log", s.site.Path("secret"));
    r = s.Restore(Version);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("vdconfig-audit.log is a symbolic link"), std::string::npos) << r.err;
    EXPECT_EQ(s.site.Read("state/vexweb.ini"), ini);
    std::remove(s.site.Path("state/vdconfig-audit.log").c_str());
    s.Plant("state/vexweb.ini", s.site.Path("secret"));
    r = s.Restore(Version);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("state/vexweb.ini is a symbolic link"), std::string::npos) << r.err;
    EXPECT_EQ(s.site.Read("secret"), "root's own\n");
    EXPECT_FALSE(s.site.Exists("state/vdconfig-audit.log"));
    // A path to a kept version is taken: the folder is the same.
    std::remove(s.site.Path("state/vexweb.ini").c_str());
    s.site.Write("state/vexweb.ini", ini);
    r = s.Restore(s.site.Path("state/../state/vexweb.ini.history/" + Version));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(s.site.Read("state/vexweb.ini"), OldIni);
    EXPECT_TRUE(S_ISLNK([&] { struct stat st{}; lstat(s.site.Path("vexweb.ini").c_str(), &st); return st.st_mode; }()));
}

TEST(Restore, AVersionThatCannotReplaceTheFileExitsWithOne) {
    StateSite s;
    const std::string ini = s.site.Read("state/vexweb.ini");
    ASSERT_EQ(chmod(s.site.Path("state/vexweb.ini").c_str(), 0444), 0);
    CgiResult r = s.Restore(Version);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vdconfig: (70) Permission denied; " + s.site.Path("state/vexweb.ini") + " not restored\n");
    EXPECT_EQ(s.site.Read("state/vexweb.ini"), ini);
}

TEST(Restore, RunByRootWorksAsTheStateFolderOwnerAndRecordsTheAdministrator) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    StateSite s;
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    for (const std::string& f : std::vector<std::string>{"state", "state/vexweb.ini", "state/vexweb.ini.history",
                                                         "state/vexweb.ini.history/" + Version})
        ASSERT_EQ(chown(s.site.Path(f).c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    CgiResult r = s.Restore(Version, {{"SUDO_USER", "alex"}});
    ASSERT_EQ(r.status, 0) << r.err;
    struct stat trail{};
    ASSERT_EQ(stat(s.site.Path("state/vdconfig-audit.log").c_str(), &trail), 0);
    EXPECT_EQ(trail.st_uid, nobody->pw_uid);
    EXPECT_EQ(trail.st_mode & 0777, 0640u);
    EXPECT_NE(s.site.Read("state/vdconfig-audit.log").find(R"("user":"alex","action":"version restored")"),
              std::string::npos);
    // Whose folder it is cannot be told: refused, saying how to run it.
    ASSERT_EQ(chown(s.site.Path("state").c_str(), 54321, 54321), 0);
    r = s.Restore(Version);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("belongs to uid 54321, which has no user name; run it as the owner of"), std::string::npos)
        << r.err;
}

TEST(History, ShowsEveryControlByteAndRefusesWhatIsNotADay) {
    StateSite s;
    // A forged record: an application with a line end and an ESC, a
    // description with a carriage return; and a line that is no record.
    s.site.Write("state/vdconfig-audit.log",
                 "{\"time\":\"2026-12-09T03:30:00Z\",\"user\":\"boss\",\"action\":\"plan updated\",\"key\":"
                 "{\"application\":\"A\\n2026-12-09T03:31:00Z  settings saved  by admin\\u001b[2J\",\"database\":\"01\","
                 "\"plan\":1},\"changes\":[{\"field\":\"Rate_Description\",\"old\":\"a\\rb\",\"new\":\"\\u009b1m\"}]}\n"
                 "not json \x1b]0;owned\x07\n");
    CgiResult r = RunProgram({s.site.Exe(), "--history", s.site.Root()}, {{"PATH", "/usr/bin:/bin"}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "(not a record) not json \\x1b]0;owned\\x07\n"
              "2026-12-09T03:30:00Z  plan updated  A\\x0a2026-12-09T03:31:00Z  settings saved  by admin\\x1b[2J-01 plan 1"
              "  by boss\n"
              "    Rate_Description: \"a\\x0db\" -> \"\\xc2\\x9b1m\"\n");
    r = RunProgram({s.site.Exe(), "--history", "--since", "2026-13-45", s.site.Root()}, {{"PATH", "/usr/bin:/bin"}});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "vdconfig: --since 2026-13-45 is not a date (YYYY-MM-DD)\n");
    // A link in place of the trail is not read.
    s.Plant("state/vdconfig-audit.log", s.site.Path("secret"));
    r = RunProgram({s.site.Exe(), "--history", s.site.Root()}, {{"PATH", "/usr/bin:/bin"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("vdconfig-audit.log: is a symbolic link"), std::string::npos) << r.err;
}
