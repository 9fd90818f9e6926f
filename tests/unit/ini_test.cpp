#include "base/RunError.h"
#include "settings/IniFiles.h"
#include "support/CgiRun.h"
#include "support/IniWrites.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include "support/Children.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vd;
using vdtest::Refused;
using vdtest::TryWriteIniString;
using vdtest::WriteIniString;
using vdtest::ReadFile;
using vdtest::WriteFile;

namespace {
struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/vdini.XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& n) const { return path + "/" + n; }
};
}  // namespace

TEST(IniRead, BlanksQuotesCaseAndMissing) {
    TempDir d;
    std::string f = d.File("a.ini");
    WriteFile(f,
              "top=ignored\r\n[Sec One]\r\n  Key  =  value with blanks  \r\nq=\"  quoted  \"\r\n"
              "s='single'\r\nhalf=\"open\r\nempty=\r\nnoequals\r\nKey=second wins not\r\n"
              "[other]\r\nkey=other\r\n[sec one]\r\nextra=repeated section ignored\r\n");
    EXPECT_EQ(ReadIniString(f, "sec ONE", "KEY"), "value with blanks");
    EXPECT_EQ(ReadIniString(f, "Sec One", "q"), "  quoted  ");
    EXPECT_EQ(ReadIniString(f, "Sec One", "s"), "single");
    EXPECT_EQ(ReadIniString(f, "Sec One", "half"), "\"open");
    EXPECT_EQ(ReadIniString(f, "Sec One", "empty"), "");
    EXPECT_EQ(ReadIniString(f, "Sec One", "top"), "");
    EXPECT_EQ(ReadIniString(f, "Other", "key"), "other");
    EXPECT_EQ(ReadIniString(f, "Sec One", "extra"), "");
    EXPECT_EQ(ReadIniString(f, "Nope", "key"), "");
    EXPECT_EQ(ReadIniString(d.File("missing.ini"), "Sec One", "Key"), "");
}

TEST(IniRead, LongValuesAreCutToTheBuffer) {
    TempDir d;
    std::string f = d.File("a.ini");
    WriteFile(f, "[s]\nk=" + std::string(3000, 'x') + "\n");
    EXPECT_EQ(ReadIniString(f, "s", "k").size(), 2039u);
    EXPECT_EQ(ReadIniString(f, "s", "k", 255).size(), 254u);
}

TEST(IniRead, SeesChangesMadeByOthers) {
    TempDir d;
    std::string f = d.File("a.ini");
    WriteFile(f, "[s]\nk=one\n");
    EXPECT_EQ(ReadIniString(f, "s", "k"), "one");
    WriteFile(f, "[s]\nk=two\n");  // same size, same inode
    struct timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
    utimensat(AT_FDCWD, f.c_str(), times, 0);  // a different modification time
    EXPECT_EQ(ReadIniString(f, "s", "k"), "two");
    std::filesystem::remove(f);
    EXPECT_EQ(ReadIniString(f, "s", "k"), "");
}

TEST(IniWrite, ReplacesAddsAndKeepsOtherLines) {
    TempDir d;
    std::string f = d.File("a.ini");
    WriteFile(f, "; comment\n[Vexdoc/Web]\nHomePage=old.htm\n# note\nDebug=FALSE\n\n[Drives]\nC=/c/\n");
    ASSERT_TRUE(WriteIniString(f, "vexdoc/web", "Homepage", "new.htm"));
    ASSERT_TRUE(WriteIniString(f, "Vexdoc/Web", "SMTPServer", "mail.example.com"));
    ASSERT_TRUE(WriteIniString(f, "Drives", "D", "/d/"));
    ASSERT_TRUE(WriteIniString(f, "New", "k", "v"));
    EXPECT_EQ(ReadFile(f),
              "; comment\n[Vexdoc/Web]\nHomePage=new.htm\n# note\nDebug=FALSE\nSMTPServer=mail.example.com\n\n"
              "[Drives]\nC=/c/\nD=/d/\n\n[New]\nk=v\n");
    EXPECT_EQ(ReadIniString(f, "Vexdoc/Web", "HOMEPAGE"), "new.htm");
}

TEST(IniWrite, KeepsTheFilesLineEndsAndCreatesNewFilesWithCrlf) {
    TempDir d;
    std::string crlf = d.File("crlf.ini");
    WriteFile(crlf, "[s]\r\na=1\r\n");
    ASSERT_TRUE(WriteIniString(crlf, "s", "b", "2"));
    EXPECT_EQ(ReadFile(crlf), "[s]\r\na=1\r\nb=2\r\n");

    std::string noEnd = d.File("noend.ini");
    WriteFile(noEnd, "[s]\na=1");
    ASSERT_TRUE(WriteIniString(noEnd, "s", "b", "2"));
    EXPECT_EQ(ReadFile(noEnd), "[s]\na=1\nb=2\n");

    ASSERT_FALSE(WriteIniString(d.File("nofolder/x.ini"), "s", "k", "v"));
    auto failure = TryWriteIniString(d.File("nofolder/x.ini"), "s", "k", "v");
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Number, 76);
    std::string created = d.File("new.ini");
    ASSERT_TRUE(WriteIniString(created, "s", "k", "v"));
    EXPECT_EQ(ReadFile(created), "[s]\r\nk=v\r\n");
}

TEST(IniWrite, LineBreaksInValuesCannotAddKeysOrSections) {
    TempDir d;
    std::string f = d.File("a.ini");
    WriteFile(f, "[s]\nk=1\n");
    ASSERT_TRUE(WriteIniString(f, "s", "k", "x\r\n[evil]\nDebug=TRUE\0y"));
    EXPECT_EQ(ReadIniString(f, "evil", "Debug"), "");
    EXPECT_EQ(ReadIniString(f, "s", "k"), "x[evil]Debug=TRUE");
}

TEST(IniWrite, ReadOnlyFileIsAFailedWriteAndStaysUnchanged) {
    TempDir d;
    std::string f = d.File("a.ini");
    WriteFile(f, "[s]\nk=1\n");
    chmod(f.c_str(), 0444);
    auto failure = TryWriteIniString(f, "s", "k", "2");
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Number, 70);
    EXPECT_EQ(failure->Text, "Permission denied");
    EXPECT_EQ(ReadFile(f), "[s]\nk=1\n");
}

TEST(IniWrite, KeepsPermissionsAndLeavesNoTemporaryFiles) {
    TempDir d;
    std::string f = d.File("a.ini");
    WriteFile(f, "[s]\nk=1\n");
    chmod(f.c_str(), 0640);
    ASSERT_TRUE(WriteIniString(f, "s", "k", "2"));
    struct stat st{};
    stat(f.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(d.path)) ++files;
    EXPECT_EQ(files, 1);
}

TEST(IniWrite, ConcurrentWritersLoseNoKey) {
    TempDir d;
    std::string f = d.File("shared.ini");
    WriteFile(f, "; shared\r\n[Vexdoc/Web]\r\nWebPath=/web/\r\n");
    constexpr int writers = 8, keys = 25;
    EXPECT_TRUE(vdtest::InChildren(writers, [&](int w) {
        bool ok = true;
        for (int k = 0; k < keys; ++k)
            ok = WriteIniString(f, k % 2 ? "Vexdoc/Web" : "Drives" + std::to_string(w),
                                "w" + std::to_string(w) + "k" + std::to_string(k), std::to_string(k)) && ok;
        return ok;
    }));
    for (int w = 0; w < writers; ++w)
        for (int k = 0; k < keys; ++k)
            EXPECT_EQ(ReadIniString(f, k % 2 ? "Vexdoc/Web" : "Drives" + std::to_string(w),
                                    "w" + std::to_string(w) + "k" + std::to_string(k)),
                      std::to_string(k));
    EXPECT_EQ(ReadIniString(f, "Vexdoc/Web", "WebPath"), "/web/");
    EXPECT_EQ(ReadFile(f).rfind("; shared\r\n[Vexdoc/Web]\r\nWebPath=/web/\r\n", 0), 0u);
}

TEST(IniRead, DataSourceAndCredentialFilesFollowTheSameRules) {
    TempDir d;
    std::string dsn = d.File("a.dsn"), cred = d.File("createdb.ini");
    WriteFile(dsn, "\xEF\xBB\xBF[ODBC]\r\n; a comment line\r\n\tDRIVER = SQLite3 \r\nDatabase=\"/x/a b.db\"\r\n"
                   "#Timeout=1\r\nDriver=second\r\n\r\n[odbc]\r\nExtra=repeated section\r\n");
    WriteFile(cred, "[DEFAULT]\nSQLKEY1 = '076077' \nSQLKEY2=\n");
    EXPECT_EQ(ReadIniKeys(dsn, "odbc"), (std::vector<std::string>{"DRIVER", "Database", "#Timeout"}));
    EXPECT_EQ(ReadIniString(dsn, "ODBC", "driver"), "SQLite3");
    EXPECT_EQ(ReadIniString(dsn, "ODBC", "Database"), "/x/a b.db");
    EXPECT_EQ(ReadIniString(dsn, "ODBC", "Extra"), "");
    EXPECT_EQ(ReadIniString(cred, "default", "SQLKEY1"), "076077");
    EXPECT_EQ(ReadIniString(cred, "DEFAULT", "SQLKEY2"), "");
    EXPECT_TRUE(ReadIniKeys(cred, "Missing").empty());
}

TEST(IniEdit, OneCommitGivesWhatOneWriteAfterAnotherGives) {
    TempDir d;
    const std::string start = "top line\n[A]\n  k1 = old \n; note\nk1=second\n\n\n[b]\nx=1\n[A]\nk2=repeated\n[C]\nlast=1";
    const std::vector<std::array<std::string, 3>> changes = {
        {"a", "K1", "new"}, {"New", "n", "1"}, {"A", "k2", "added"}, {"C", "more", "2"}, {"B", "x", "2"},
        {"new", "n", "2"},  {"a", "k3", "x\r\ny"}, {"Other", "o", "v"}, {"C", "last", "3"},
    };
    std::string one = d.File("one.ini"), each = d.File("each.ini");
    WriteFile(one, start);
    WriteFile(each, start);
    IniEdit edit(one);
    for (const auto& [s, k, v] : changes) {
        EXPECT_FALSE(Refused([&] { edit.Set(s, k, v); }).has_value());
        ASSERT_TRUE(WriteIniString(each, s, k, v));
    }
    ASSERT_FALSE(Refused([&] { edit.Commit(); }).has_value());
    EXPECT_EQ(ReadFile(one), ReadFile(each));
    EXPECT_EQ(ReadFile(one), "top line\n[A]\nk1=new\n; note\nk1=second\nk2=added\nk3=xy\n\n\n[b]\nx=2\n[A]\n"
                             "k2=repeated\n[C]\nlast=3\nmore=2\n\n[New]\nn=2\n\n[Other]\no=v\n");
    EXPECT_EQ(ReadIniString(one, "a", "k2"), "added");
    // Committing the same changes again changes nothing.
    IniEdit again(one);
    for (const auto& [s, k, v] : changes) EXPECT_FALSE(Refused([&] { again.Set(s, k, v); }).has_value());
    ASSERT_FALSE(Refused([&] { again.Commit(); }).has_value());
    EXPECT_EQ(ReadFile(one), ReadFile(each));
}

TEST(IniEdit, NamesThatCouldNotBeReadBackAreRefusedAndNothingIsWritten) {
    TempDir d;
    std::string f = d.File("a.ini");
    const std::string start = "[Drives]\r\nA=/a/\r\n[UserGraphics]\r\nboss=b.gif\r\n";
    WriteFile(f, start);
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"Drives", "X=Y"}, {"Drives", " pad"}, {"Drives", "pad\t"}, {"Drives", ""}, {"Drives", "[UserGraphics]"},
        {"Drives", "a\rb"}, {"Drives", "a\nb"}, {"Drives", std::string("a\0b", 3)}, {"a]b", "k"}, {"", "k"},
        {" s", "k"}, {"s ", "k"}, {"s\nt", "k"},
    };
    for (const auto& [section, key] : bad) {
        IniEdit edit(f);
        EXPECT_FALSE(Refused([&] { edit.Set("Drives", "B", "/b/"); }).has_value());
        auto refused = Refused([&] { edit.Set(section, key, "/x/"); });
        ASSERT_TRUE(refused.has_value()) << section << "|" << key;
        EXPECT_EQ(refused->Number, 5);
        auto failure = Refused([&] { edit.Commit(); });
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->Text, refused->Text);
        EXPECT_FALSE(TryWriteIniString(f, section, key, "v") == std::nullopt);
        EXPECT_EQ(ReadFile(f), start) << section << "|" << key;
    }
    EXPECT_EQ(ReadIniString(f, "UserGraphics", "boss"), "b.gif");
    // Odd but readable names are written and read back.
    for (const std::string key : {";x", "#x", "a[b]", "k\tk", "\xC3\xA9"}) {
        ASSERT_TRUE(WriteIniString(f, "Drives", key, "/v/")) << key;
        EXPECT_EQ(ReadIniString(f, "drives", key), "/v/") << key;
    }
}

TEST(IniWrite, FollowsASymbolicLinkAndKeepsIt) {
    TempDir d;
    std::filesystem::create_directories(d.File("state"));
    std::filesystem::create_directories(d.File("program"));
    WriteFile(d.File("state/vexweb.ini"), "; kept\n[Vexdoc/Web]\nWebPath=/web/\nunknown line\n");
    ASSERT_EQ(symlink("../state/vexweb.ini", d.File("program/vexweb.ini").c_str()), 0);
    ASSERT_TRUE(WriteIniString(d.File("program/vexweb.ini"), "Vexdoc/Web", "WebPath", "/new/"));
    EXPECT_TRUE(std::filesystem::is_symlink(d.File("program/vexweb.ini")));
    EXPECT_EQ(ReadFile(d.File("state/vexweb.ini")), "; kept\n[Vexdoc/Web]\nWebPath=/new/\nunknown line\n");
    EXPECT_EQ(ReadIniString(d.File("program/vexweb.ini"), "Vexdoc/Web", "WebPath"), "/new/");
    for (const char* folder : {"state", "program"}) {
        int files = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(d.File(folder))) ++files;
        EXPECT_EQ(files, 1) << folder;
    }
}

TEST(IniWrite, KilledWritersLeaveTheOldOrTheNewFileAndTheNextWriteNoTemporary) {
    TempDir d;
    std::string f = d.File("vexweb.ini");
    std::string before = "; big\r\n";
    for (int i = 0; i < 4000; ++i) before += "[S" + std::to_string(i) + "]\r\nkey=" + std::string(200, 'v') + "\r\n";
    WriteFile(f, before);
    auto edit = [&](const std::string& value) {
        IniEdit e(f);
        for (int i = 0; i < 4000; i += 7)
            EXPECT_FALSE(Refused([&] { e.Set("S" + std::to_string(i), "key", value); }).has_value());
        return Refused([&] { e.Commit(); });
    };
    ASSERT_FALSE(edit("after").has_value());
    const std::string after = ReadFile(f);
    WriteFile(f, before);
    unsigned seed = 11;
    for (int round = 0; round < 40; ++round) {
        pid_t pid = fork();
        if (pid == 0) _exit(edit("after").has_value() ? 1 : 0);
        usleep(static_cast<useconds_t>(rand_r(&seed) % 30000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const std::string now = ReadFile(f);
        ASSERT_TRUE(now == before || now == after) << "round " << round << ": a mixed file";
        WriteFile(f, before);
    }
    ASSERT_FALSE(edit("after").has_value());
    EXPECT_EQ(ReadFile(f), after);
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(d.path)) ++files;
    EXPECT_EQ(files, 1);
}

// The new file is on the disk before it takes the old one's name, so that a
// crash after the rename cannot leave an empty vexweb.ini. The real program,
// traced while it replaces the file.
TEST(IniEdit, TheNewFileIsSyncedBeforeItTakesTheName) {
    ASSERT_EQ(access("/usr/bin/strace", X_OK), 0) << "this test needs strace (scripts/deps test)";
    vdtest::Site site;
    site.WriteIni();
    site.Write("vexweb.ini.history/20260101T000000Z-admin.ini", "[Vexdoc/Web]\nHomePage=old.htm\n");
    const std::string trace = site.Path("calls");
    const vdtest::CgiResult r = vdtest::RunProgram(
        {"/usr/bin/strace", "-f", "-y", "-o", trace, "-e", "trace=fsync,fdatasync,rename,renameat,renameat2",
         site.Exe(), "--restore", "20260101T000000Z-admin.ini", site.Root()},
        {{"PATH", "/usr/bin:/bin"}});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string calls = ReadFile(trace);
    const size_t renamed = calls.find("\".vexweb.ini.vdtmp\", ");
    ASSERT_NE(renamed, std::string::npos) << calls;
    EXPECT_LT(calls.find("/.vexweb.ini.vdtmp>) = 0"), renamed) << calls;
}
