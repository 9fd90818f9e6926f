// The program as an administrator meets it: --version, --check, and the
// line every error page leaves in the web server's log (standard error).
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"

#include "data/Databases.h"
#include "settings/IniFiles.h"

#include <gtest/gtest.h>
#include <csignal>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vdtest;

namespace {

const std::map<std::string, std::string> Shell = {{"PATH", "/usr/bin:/bin"}};

// A site that passes every check: templates, databases, a supervisor.
struct GoodSite {
    Site site;
    SiteDatabases db{site};
    GoodSite() {
        site.WriteTemplates();
        db.AddUser("admin", "-1");
        site.WriteIni(db.IniLine());
    }
    CgiResult Check() const { return RunProgram({site.Exe(), "--check", site.Root()}, Shell); }
};

// The report's line of one check ("" when there is none).
std::string LineOf(const std::string& report, const std::string& check) {
    for (const char* mark : {"OK   ", "FAIL ", "WARN "}) {
        const size_t at = report.find(mark + check);
        if (at != std::string::npos) return report.substr(at, report.find('\n', at) - at);
    }
    return "";
}

// Every check passes but the one named.
void ExpectOnlyFailure(const CgiResult& r, const std::string& check) {
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(LineOf(r.out, check).rfind("FAIL ", 0), 0u) << r.out;
    size_t failures = 0;
    for (size_t at = r.out.find("\nFAIL "); at != std::string::npos; at = r.out.find("\nFAIL ", at + 1)) ++failures;
    EXPECT_EQ(failures, 1u) << r.out;
}

}  // namespace

TEST(CommandLine, VersionOutsideAWebServerOnly) {
    Site site;
    CgiResult r = RunProgram({site.Exe(), "--version"}, Shell);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("vdconfig ") + VDCONFIG_VERSION + "\n");
    // A query without "=" reaches a CGI program as arguments: it stays a request.
    site.WriteTemplates();
    site.WriteIni();
    r = RunProgram({site.Exe(), "--version"}, {{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", "--version"}});
    EXPECT_EQ(r.out.rfind("Content-Type: text/html\r\n\r\n", 0), 0u);
    r = RunProgram({site.Exe(), "--help"}, Shell);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: vdconfig ", 0), 0u) << r.out;
    // Without the options, outside a web server: the message as before.
    r = RunProgram({site.Exe(), "--bogus"}, Shell);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "This program is a CGI script that is intended to be run by a web server.\n");
}

TEST(CommandLine, CheckPassesOnAGoodSite) {
    GoodSite good;
    CgiResult r = good.Check();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
    for (const char* check : {"vexweb.ini found", "vexweb.ini parsed", "vexweb.ini replaceable", "new-plan lock",
                              "templates in HTMLPath", "TempPath writable", "vdglobal.ini readable",
                              "createdb.ini readable", "parameters DSN readable", "billing DSN readable",
                              "parameters database connects", "billing database connects", "table Users",
                              "table Applications", "table DocumentTypes", "table Drives", "table Rate_Schedule",
                              "table VD_Plan_Tokens: 5 columns", "a supervisor: admin"})
        EXPECT_EQ(LineOf(r.out, check).rfind("OK   ", 0), 0u) << check << "\n" << r.out;
    EXPECT_NE(r.out.find("All checks passed."), std::string::npos);
    EXPECT_EQ(LineOf(r.out, "parameters database connects"),
              "OK   parameters database connects: SQLite file " + good.db.ParamsDb());
    // A site open to requests nobody signed in is a warning, not a failure.
    EXPECT_EQ(LineOf(r.out, "sign-in required").rfind("WARN ", 0), 0u) << r.out;
    good.site.WriteIni(good.db.IniLine() + "RequireSignIn=TRUE\r\n");
    EXPECT_EQ(LineOf(good.Check().out, "sign-in required").rfind("OK   ", 0), 0u);
    // Without the table of saved new-plan forms, a warning.
    good.db.Exec(good.db.BillingDb(), "DROP TABLE VD_Plan_Tokens;");
    r = good.Check();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(LineOf(r.out, "table VD_Plan_Tokens"),
              "WARN table VD_Plan_Tokens: missing from the billing database: a new-plan form posted again through "
              "another program folder on this database is saved again (schema/plan-tokens.sql makes it)");
    // Run from inside the program folder, without naming it.
    r = RunProgram({good.site.Exe(), "--check"}, Shell);
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST(CommandLine, CheckNamesTheBrokenPart) {
    {
        GoodSite s;
        std::remove(s.site.Path("html/errtop.htm").c_str());
        CgiResult r = s.Check();
        ExpectOnlyFailure(r, "templates in HTMLPath");
        EXPECT_NE(LineOf(r.out, "templates").find("errtop.htm: No such file or directory"), std::string::npos);
    }
    {
        GoodSite s;
        s.site.Write("params/DSN/VDWParams32.DSN", "[ODBC]\r\nDRIVER=SQLite3\r\nDatabase=" + s.site.Root() +
                                                       "/gone/params.db\r\n");
        CgiResult r = s.Check();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(LineOf(r.out, "parameters database connects").rfind("FAIL ", 0), 0u) << r.out;
        EXPECT_EQ(LineOf(r.out, "table Users"), "FAIL table Users: database not connected");
        EXPECT_EQ(LineOf(r.out, "billing database connects").rfind("OK   ", 0), 0u) << r.out;
    }
    {
        GoodSite s;
        s.db.Exec(s.db.ParamsDb(), "UPDATE Users SET UserSuper = 0;");
        ExpectOnlyFailure(s.Check(), "a supervisor");
    }
    {
        GoodSite s;
        s.db.Exec(s.db.BillingDb(), "DROP TABLE Rate_Schedule;\n" + RateScheduleTable(1, ScheduleKey::None));
        CgiResult r = s.Check();
        ExpectOnlyFailure(r, "table Rate_Schedule");
        EXPECT_NE(LineOf(r.out, "table Rate_Schedule").find("1 columns"), std::string::npos) << r.out;
    }
}

TEST(CommandLine, CheckFindsAStateFolderTheWebServerCannotWrite) {
    // vexweb.ini a link into a state folder; the web server's user (here:
    // nobody) may read it but not replace it.
    GoodSite s;
    mkdir(s.site.Path("state").c_str(), 0755);
    s.site.Write("state/vexweb.ini", s.site.Read("vexweb.ini"));
    std::remove(s.site.Path("vexweb.ini").c_str());
    ASSERT_EQ(symlink(s.site.Path("state/vexweb.ini").c_str(), s.site.Path("vexweb.ini").c_str()), 0);
    std::vector<std::string> args = {s.site.Exe(), "--check", s.site.Root()};
    if (geteuid() == 0) {
        args.insert(args.begin(), {"/usr/sbin/runuser", "-u", "nobody", "--"});
    } else {
        chmod(s.site.Path("state").c_str(), 0555);
    }
    CgiResult r = RunProgram(args, Shell);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(LineOf(r.out, "vexweb.ini found").rfind("OK   ", 0), 0u) << r.out;
    EXPECT_EQ(LineOf(r.out, "vexweb.ini replaceable"),
              "FAIL vexweb.ini replaceable: " + s.site.Path("state") + ": Permission denied");
    chmod(s.site.Path("state").c_str(), 0755);
}

TEST(ServerLog, EveryErrorPageLeavesOneLineOnStderr) {
    {
        // A missing template: the fallback page, and the file named.
        GoodSite s;
        std::remove(s.site.Path("html/tbltop.htm").c_str());
        CgiResult r = s.site.Run("User=admin&ConfigOption=RATE+PLANS");
        EXPECT_NE(r.out.find("(53) Error: File not found</p>"), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "vdconfig: error (53) File not found; reading " + s.site.HtmlPath() +
                             "tbltop.htm; ConfigOption=RATE PLANS User=admin\n");
    }
    {
        // A database error: the statement named.
        GoodSite s;
        s.db.Exec(s.db.BillingDb(), "DROP TABLE Rate_Schedule;");
        CgiResult r = s.site.Run("User=admin&ConfigOption=RATE+PLANS");
        EXPECT_NE(r.err.find("vdconfig: error ("), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("no such table: Rate_Schedule (1); running select * from Rate_Schedule"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.back(), '\n');
    }
    {
        // A connection that fails: the connection string, password masked.
        GoodSite s;
        s.site.Write("DSN/WVDAccounting.DSN", "[ODBC]\r\nDRIVER=No Such Driver\r\n");
        CgiResult r = s.site.Run("User=admin&ConfigOption=RATE+PLANS");
        EXPECT_NE(r.err.find("; connecting FILEDSN=" + s.site.Root() + "/DSN/WVDAccounting.DSN;UID=" +
                             SiteSqlUser + ";PWD=****;"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find(SiteSqlPassword), std::string::npos) << r.err;
    }
}

TEST(ServerLog, AnUnwritableVexwebIniIsNamed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
    GoodSite s;
    s.db.Exec(s.db.ParamsDb(), "INSERT INTO Drives (Drive) VALUES ('D:');");
    const std::string body = "User=admin&ConfigOption=SAVEINI&D:=/d/&HTMLPath=" + s.site.HtmlPath() +
                             "&ParameterPath=" + s.db.ParameterPath();
    std::vector<std::string> args = {"/usr/sbin/runuser", "-u", "nobody", "--", "/usr/bin/env", "-i",
                                     "REQUEST_METHOD=POST", "CONTENT_LENGTH=" + std::to_string(body.size()),
                                     s.site.Exe()};
    CgiResult r = RunProgram(args, Shell, body);
    EXPECT_NE(r.out.find("(70) Error: Permission denied</p>"), std::string::npos) << r.out;
    // The first file the save cannot write is the audit trail beside vexweb.ini.
    EXPECT_EQ(r.err, "vdconfig: error (70) Permission denied; writing " + s.site.Root() +
                         "/vdconfig-audit.log; ConfigOption=SAVEINI User=admin\n");
}

namespace {

// The program run as nobody, who cannot read or write what root made
// private; the request as a web server starts it.
CgiResult RunAsNobody(const Site& site, const std::string& query, const std::string& body = "") {
    std::vector<std::string> args = {"/usr/sbin/runuser", "-u", "nobody", "--", "/usr/bin/env", "-i",
                                     "REQUEST_METHOD=" + std::string(body.empty() ? "GET" : "POST"),
                                     "QUERY_STRING=" + query, "CONTENT_LENGTH=" + std::to_string(body.size()),
                                     site.Exe()};
    return RunProgram(args, Shell, body);
}

}  // namespace

TEST(ServerLog, AnIniFileThatCannotBeReadIsTheFailureNamingIt) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
    GoodSite s;
    // vexweb.ini: no templates are known, so the page is the one that needs none.
    chmod(s.site.Path("vexweb.ini").c_str(), 0600);
    CgiResult r = RunAsNobody(s.site, "User=admin");
    EXPECT_NE(r.out.find("<XMP>\r\n\r\nPermission denied (70).\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "vdconfig: error (70) Permission denied; reading " + s.site.Path("vexweb.ini") + "\n");
    // createdb.ini: the supervisor test fails, which is a refusal with the line.
    chmod(s.site.Path("vexweb.ini").c_str(), 0644);
    chmod((s.db.ParameterPath() + "createdb.ini").c_str(), 0600);
    r = RunAsNobody(s.site, "User=admin");
    EXPECT_NE(r.out.find("You are not authorized to perform this function."), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "vdconfig: error (70) Permission denied; reading " + s.db.ParameterPath() +
                         "createdb.ini; User=admin\n");
    // A missing one reads as empty, as before: no credentials, and the menu.
    std::remove((s.db.ParameterPath() + "createdb.ini").c_str());
    r = RunAsNobody(s.site, "User=admin");
    EXPECT_NE(r.out.find("Configuration Settings"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST(ServerLog, AVersionThatCannotBeKeptNamesTheVersionsFolder) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
    GoodSite s;
    // nobody may replace vexweb.ini and append to the trail, not keep versions.
    chmod(s.site.Root().c_str(), 0777);
    chmod(s.site.Path("vexweb.ini").c_str(), 0666);
    s.site.Write("vdconfig-audit.log", "");
    chmod(s.site.Path("vdconfig-audit.log").c_str(), 0666);
    mkdir(s.site.Path("vexweb.ini.history").c_str(), 0555);
    const std::string ini = s.site.Read("vexweb.ini");
    CgiResult r = RunAsNobody(s.site, "", "User=admin&ConfigOption=SAVEINI&HTMLPath=" + s.site.HtmlPath() +
                                                  "&ParameterPath=" + s.db.ParameterPath());
    EXPECT_NE(r.out.find("(70) Error: Permission denied</p>"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "vdconfig: error (70) Permission denied; writing " + s.site.Path("vexweb.ini.history") +
                         "; ConfigOption=SAVEINI User=admin\n");
    EXPECT_EQ(s.site.Read("vexweb.ini"), ini);
}

TEST(ServerLog, ARefusedPlanWriteNamesItsStatementWhateverTheRollbackDoes) {
    GoodSite s;
    s.db.AddDocType("ABC", "01", "Deeds");
    Fields plan = RatePlanFields("32767", "Gold");
    plan["User"] = "admin";
    ASSERT_NE(s.site.Run("", Body(plan)).out.find("Rate plan Gold has been saved"), std::string::npos);
    s.db.Exec(s.db.BillingDb(),
              "CREATE TRIGGER frozen_insert BEFORE INSERT ON Rate_Schedule BEGIN SELECT RAISE(ABORT, 'plans are "
              "frozen'); END; CREATE TRIGGER frozen_update BEFORE UPDATE ON Rate_Schedule BEGIN SELECT RAISE(ABORT, "
              "'plans are frozen'); END;");
    // A new plan (its refusal is looked into, in the transaction rolled
    // back) and a stored one (rolled back on the way out).
    for (const auto& [number, statement] : {std::pair{"32767", "insert into Rate_Schedule values ("},
                                            std::pair{"0", "update Rate_Schedule set "}}) {
        plan["RateNum"] = number;
        CgiResult r = s.site.Run("", Body(plan));
        EXPECT_NE(r.out.find("plans are frozen"), std::string::npos) << r.out;
        EXPECT_EQ(r.err.rfind("vdconfig: error ("), 0u) << r.err;
        EXPECT_NE(r.err.find("plans are frozen"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("; running " + std::string(statement)), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    EXPECT_EQ(s.db.Query(s.db.BillingDb(), "select Rate_Description from Rate_Schedule"),
              (std::vector<std::vector<std::string>>{{"Gold"}}));
}

namespace {

// vdkeys on a terminal: the answers are typed after each prompt.
CgiResult VdkeysOnATerminal(const std::string& file, const std::vector<std::string>& answers) {
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execl(VDKEYS_BINARY, VDKEYS_BINARY, file.c_str(), "vexdoc", (char*)nullptr);
        _exit(127);
    }
    CgiResult r;
    size_t next = 0;
    char buf[512];
    for (;;) {
        pollfd ready{master, POLLIN, 0};
        if (poll(&ready, 1, 20000) <= 0) {  // a vdkeys that waits for more is a failure
            kill(pid, SIGKILL);
            break;
        }
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0) break;  // EIO once vdkeys has ended
        r.out.append(buf, static_cast<size_t>(n));
        if (next < answers.size() && r.out.size() >= 2 && r.out.compare(r.out.size() - 2, 2, ": ") == 0) {
            const std::string line = answers[next++] + "\n";
            if (write(master, line.data(), line.size()) < 0) break;
        }
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace

TEST(Vdkeys, AsksTwiceWithoutEchoOnATerminal) {
    Site site;
    const std::string file = site.Path("createdb.ini");
    CgiResult r = VdkeysOnATerminal(file, {"Zq9#secret", "Zq9#secret"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Password of database user vexdoc: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("The same password again: "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Zq9#secret"), std::string::npos) << "echoed: " << r.out;
    EXPECT_NE(r.out.find("vdkeys: wrote SQLKEY1 (user vexdoc) and SQLKEY2 (the password), scrambled, to section "
                         "[DEFAULT] of " + file),
              std::string::npos)
        << r.out;
    EXPECT_EQ(vd::UnscrambleKey(vd::ReadIniString(file, "DEFAULT", "SQLKEY2")), "Zq9#secret");

    r = VdkeysOnATerminal(site.Path("other.ini"), {"one", "two"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("the two passwords differ; nothing written"), std::string::npos) << r.out;
    EXPECT_FALSE(site.Exists("other.ini"));
}
