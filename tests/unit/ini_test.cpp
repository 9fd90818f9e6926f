#include "cgi/RunError.h"
#include "settings/IniFiles.h"
#include "support/CgiRun.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vd;
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
    std::vector<pid_t> pids;
    for (int w = 0; w < writers; ++w) {
        pid_t pid = fork();
        if (pid == 0) {
            bool ok = true;
            for (int k = 0; k < keys; ++k)
                ok = WriteIniString(f, k % 2 ? "Vexdoc/Web" : "Drives" + std::to_string(w),
                                    "w" + std::to_string(w) + "k" + std::to_string(k), std::to_string(k)) && ok;
            _exit(ok ? 0 : 1);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < writers; ++w)
        for (int k = 0; k < keys; ++k)
            EXPECT_EQ(ReadIniString(f, k % 2 ? "Vexdoc/Web" : "Drives" + std::to_string(w),
                                    "w" + std::to_string(w) + "k" + std::to_string(k)),
                      std::to_string(k));
    EXPECT_EQ(ReadIniString(f, "Vexdoc/Web", "WebPath"), "/web/");
    EXPECT_EQ(ReadFile(f).rfind("; shared\r\n[Vexdoc/Web]\r\nWebPath=/web/\r\n", 0), 0u);
}
