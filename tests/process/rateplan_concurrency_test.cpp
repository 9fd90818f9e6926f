// Two program folders (two web servers' configurators) on one billing
// database, new plans posted to both at once, on SQLite and on PostgreSQL,
// with and without a key on Rate_Schedule; one new-plan form posted to
// both, stored once; writes that meet a busy database, which wait the data
// source's Timeout and no longer; and the lock that serialises the
// numbering of new plans within one folder.
#include "base/RunError.h"
#include "data/ODBCAPI.h"
#include "data/Transaction.h"
#include "data/tables/RatePlan.h"
#include "settings/IniFiles.h"
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"
#include "support/PostgresSuite.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vdtest;

namespace {

using Env = std::map<std::string, std::string>;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The second folder: its own program, vexweb.ini and lock file, the first
// folder's parameters and billing databases.
void LayOutSecondFolder(const Site& first, const SiteDatabases& dbs, const Site& second) {
    second.WriteTemplates();
    second.WriteIni(dbs.IniLine());
    second.Write("DSN/WVDAccounting.DSN", first.Read("DSN/WVDAccounting.DSN"));
}

// Posts count new plans at once, alternately to the two folders; checks
// that every save was confirmed, every number is distinct and every
// confirmed plan is stored.
void PostNewPlansAtOnce(const Site& a, const Site& b, const SiteDatabases& dbs, const Env& env, int count) {
    std::vector<CgiResult> results(static_cast<size_t>(count));
    std::vector<std::thread> runs;
    for (int i = 0; i < count; ++i)
        runs.emplace_back([&, i] {
            results[static_cast<size_t>(i)] =
                (i % 2 ? b : a).Run("", Body(RatePlanFields("32767", "Plan " + std::to_string(i))), env);
        });
    for (auto& t : runs) t.join();
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(Has(results[static_cast<size_t>(i)].out, "Rate plan Plan " + std::to_string(i) + " has been saved"))
            << results[static_cast<size_t>(i)].out;
    const auto rows = dbs.Query(dbs.BillingDb(), "select RateNum, Rate_Description from Rate_Schedule");
    std::set<std::string> numbers, names;
    for (const auto& row : rows) {
        numbers.insert(row[0]);
        names.insert(row[1]);
    }
    EXPECT_EQ(rows.size(), static_cast<size_t>(count));
    EXPECT_EQ(numbers.size(), static_cast<size_t>(count));
    EXPECT_EQ(names.size(), static_cast<size_t>(count));
    EXPECT_EQ(*numbers.begin(), "0");
    EXPECT_TRUE(numbers.count(std::to_string(count - 1)));
}

// Posts each of count new-plan forms (a token each) to both folders at
// once: each is stored once, through either folder, and the other post
// answers that it was saved. Without the table of tokens each folder knows
// only its own trail's forms: the other folder stores the form again.
void PostEachFormToBothAtOnce(const Site& a, const Site& b, const SiteDatabases& dbs, const Env& env, int count) {
    auto form = [](int i) {
        Fields fields = RatePlanFields("32767", "Plan " + std::to_string(i));
        fields["PlanToken"] = std::string(30, 'a') + (i < 10 ? "0" : "") + std::to_string(i);
        return fields;
    };
    for (int i = 0; i < count; ++i) {
        CgiResult ra, rb;
        std::thread other([&] { rb = b.Run("", Body(form(i)), env); });
        ra = a.Run("", Body(form(i)), env);
        other.join();
        const int saved = Has(ra.out, "has been saved") + Has(rb.out, "has been saved");
        EXPECT_EQ(saved, 1) << ra.out << rb.out;
        EXPECT_TRUE(Has(ra.out + rb.out, "This form was already saved as plan #" + std::to_string(i) +
                                             " for Application ABC - Database 01; nothing was stored again."))
            << ra.out << rb.out;
    }
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule")[0][0], std::to_string(count));
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from VD_Plan_Tokens")[0][0], std::to_string(count));

    dbs.Exec(dbs.BillingDb(), "drop table VD_Plan_Tokens;");
    EXPECT_TRUE(Has(a.Run("", Body(form(count)), env).out, "has been saved"));
    EXPECT_TRUE(Has(a.Run("", Body(form(count)), env).out, "This form was already saved"));
    EXPECT_TRUE(Has(b.Run("", Body(form(count)), env).out, "has been saved"));
}

class TwoFolders : public ::testing::TestWithParam<bool> {};

TEST_P(TwoFolders, OnOneSqliteFileEveryNewPlanGetsItsOwnNumber) {
    Site a, b;
    SiteDatabases dbs(a);
    SetUpSupervisorSite(a, dbs);
    dbs.AddDocType("ABC", "01", "Deeds");
    LayOutSecondFolder(a, dbs, b);
    if (!GetParam()) dbs.Exec(dbs.BillingDb(), "drop table Rate_Schedule;\n" + RateScheduleTable(25, ScheduleKey::None));
    PostNewPlansAtOnce(a, b, dbs, {}, 50);
}

TEST(OneNewPlanForm, SavedThroughOneFolderIsNotSavedAgainThroughTheOther) {
    Site a, b;
    SiteDatabases dbs(a);
    SetUpSupervisorSite(a, dbs);
    dbs.AddDocType("ABC", "01", "Deeds");
    LayOutSecondFolder(a, dbs, b);
    PostEachFormToBothAtOnce(a, b, dbs, {}, 10);
}

class TwoFoldersOnPostgres : public OnPostgres, public ::testing::WithParamInterface<bool> {};

TEST_P(TwoFoldersOnPostgres, EveryNewPlanGetsItsOwnNumber) {
    Site a, b;
    SiteDatabases dbs(a, server_->Databases("PostgreSQL Unicode", "vdparams", "vdbilling"));
    SetUpSupervisorSite(a, dbs);
    dbs.AddDocType("ABC", "01", "Deeds");
    LayOutSecondFolder(a, dbs, b);
    if (!GetParam()) dbs.Exec(dbs.BillingDb(), "drop table Rate_Schedule;\n" + RateScheduleTable(25, ScheduleKey::None));
    PostNewPlansAtOnce(a, b, dbs, {{"ODBCSYSINI", server_->OdbcSysIni()}}, 50);
}

TEST_F(OnPostgres, ANewPlanFormSavedThroughOneFolderIsNotSavedAgainThroughTheOther) {
    Site a, b;
    SiteDatabases dbs(a, server_->Databases("PostgreSQL Unicode", "vdparams", "vdbilling"));
    SetUpSupervisorSite(a, dbs);
    dbs.AddDocType("ABC", "01", "Deeds");
    LayOutSecondFolder(a, dbs, b);
    PostEachFormToBothAtOnce(a, b, dbs, {{"ODBCSYSINI", server_->OdbcSysIni()}}, 10);
}

TEST_F(OnPostgres, ANumberTakenMeanwhileByAnotherProgramIsNumberedAgain) {
    Site a;
    SiteDatabases dbs(a, server_->Databases("PostgreSQL Unicode", "vdparams", "vdbilling"));
    a.WriteTemplates();
    a.WriteIni(dbs.IniLine() + "Debug=true\r\n");
    dbs.AddUser("boss", "-1");
    dbs.AddDocType("ABC", "01", "Deeds");
    // Another program inserts plan 0 without the numbering lock and commits
    // while the save's insert of plan 0 waits for it.
    vd::OdbcConnection other;
    vd::ODBCOpenDatabase(other, server_->Connect(SiteSqlUser, dbs.BillingDb()));
    auto transaction = std::make_unique<vd::OdbcTransaction>(other);
    vd::ExecStatement(other, "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description) "
                             "values ('ABC', '01', 0, 'Other')");
    std::thread commit([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        transaction->Commit();
    });
    const CgiResult r = a.Run("", Body(RatePlanFields("32767", "New")), {{"ODBCSYSINI", server_->OdbcSysIni()}});
    commit.join();
    vd::ODBCCloseDatabase(other);
    EXPECT_TRUE(Has(r.out, "Rate plan New has been saved")) << r.out;
    EXPECT_TRUE(Has(a.Read("temp/vdconfig.log"), "Rate_Level 0 was taken; numbering again"));
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select RateNum, Rate_Description from Rate_Schedule order by RateNum"),
              (std::vector<std::vector<std::string>>{{"0", "Other"}, {"1", "New"}}));
}

TEST_F(OnPostgres, AWriteWaitsNoLongerThanTheTimeoutForALockedRow) {
    Site a;
    SiteDatabases dbs(a, server_->Databases("PostgreSQL Unicode", "vdparams", "vdbilling"));
    SetUpSupervisorSite(a, dbs);
    dbs.AddDocType("ABC", "01", "Deeds");
    a.Write("DSN/WVDAccounting.DSN", a.Read("DSN/WVDAccounting.DSN") + "Timeout=300\r\n");
    dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description) "
                              "values ('ABC', '01', 0, 'Basic')");
    vd::OdbcConnection other;
    vd::ODBCOpenDatabase(other, server_->Connect(SiteSqlUser, dbs.BillingDb()));
    {
        vd::OdbcTransaction holding(other);
        vd::ExecStatement(other, "update Rate_Schedule set Rate_Description = 'Held' where RateNum = 0");
        const CgiResult r = a.Run("", Body(RatePlanFields("0", "Changed")), {{"ODBCSYSINI", server_->OdbcSysIni()}});
        EXPECT_TRUE(Has(r.out, "lock timeout")) << r.out;
        EXPECT_FALSE(Has(r.out, "has been saved")) << r.out;
    }
    vd::ODBCCloseDatabase(other);
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select Rate_Description from Rate_Schedule"),
              (std::vector<std::vector<std::string>>{{"Basic"}}));
}

INSTANTIATE_TEST_SUITE_P(KeyedOrNot, TwoFolders, ::testing::Bool());
INSTANTIATE_TEST_SUITE_P(KeyedOrNot, TwoFoldersOnPostgres, ::testing::Bool());

// A site whose billing database another connection of the test can keep
// busy: it holds the write lock while the program runs.
class BusyDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        SetUpSupervisorSite(site, dbs);
        dbs.AddDocType("ABC", "01", "Deeds");
        dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description) "
                                  "values ('ABC', '01', 0, 'Basic')");
    }
    // The program's data source waits this long for a lock.
    void SetTimeout(int ms) const {
        site.Write("DSN/WVDAccounting.DSN",
                   "[ODBC]\r\nDRIVER=SQLite3\r\nDatabase=" + dbs.BillingDb() + "\r\nTimeout=" + std::to_string(ms) + "\r\n");
    }
    // Runs the post while the test holds the write lock for holdMs.
    CgiResult PostWhileBusy(const Fields& fields, int holdMs) const {
        vd::OdbcConnection holder;
        vd::ODBCOpenDatabase(holder, "DRIVER=SQLite3;Database=" + dbs.BillingDb() + ";");
        auto transaction = std::make_unique<vd::OdbcTransaction>(holder);
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            transaction.reset();
        });
        CgiResult r = site.Run("", Body(fields));
        release.join();
        return r;
    }
    std::vector<std::vector<std::string>> Plans() const {
        return dbs.Query(dbs.BillingDb(), "select RateNum, Rate_Description from Rate_Schedule order by RateNum");
    }

    Site site;
    SiteDatabases dbs{site};
};

TEST_F(BusyDatabase, WritesWaitForAnotherWriterWithinTheTimeout) {
    EXPECT_TRUE(Has(PostWhileBusy(RatePlanFields("32767", "New"), 700).out, "has been saved"));
    EXPECT_TRUE(Has(PostWhileBusy(RatePlanFields("0", "Changed"), 700).out, "has been saved"));
    Fields remove = RatePlanFields("1", "New");
    remove["DataAction"] = "DELETE";
    remove["ConfirmDelete"] = "YES";
    EXPECT_TRUE(Has(PostWhileBusy(remove, 700).out, "has been deleted"));
    EXPECT_EQ(Plans(), (std::vector<std::vector<std::string>>{{"0", "Changed"}}));
}

TEST_F(BusyDatabase, ADatabaseBusyPastTheTimeoutGivesTheErrorPageAndChangesNothing) {
    SetTimeout(200);
    Fields remove = RatePlanFields("0", "Basic");
    remove["DataAction"] = "DELETE";
    remove["ConfirmDelete"] = "YES";
    for (const Fields& post : {RatePlanFields("32767", "New"), RatePlanFields("0", "Changed"), remove}) {
        const CgiResult r = PostWhileBusy(post, 1500);
        EXPECT_TRUE(Has(r.out, "database is locked")) << r.out;
        EXPECT_FALSE(Has(r.out, "has been")) << r.out;
    }
    EXPECT_EQ(Plans(), (std::vector<std::vector<std::string>>{{"0", "Basic"}}));
    EXPECT_FALSE(Has(site.Exists("vdconfig-audit.log") ? site.Read("vdconfig-audit.log") : "", "\"plan"));
}

class NewPlanLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/vdlock.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    // Whether another process could take the lock now.
    bool OtherProcessCanLock() const {
        pid_t pid = fork();
        if (pid == 0) {
            int fd = open((folder + "/RatePlans.lock").c_str(), O_RDWR | O_CREAT, 0644);
            if (fd < 0) _exit(2);
            _exit(flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : (errno == EWOULDBLOCK ? 1 : 3));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_NE(WEXITSTATUS(status), 2);
        EXPECT_NE(WEXITSTATUS(status), 3);
        return WEXITSTATUS(status) == 0;
    }
    std::string folder;
};

TEST_F(NewPlanLockTest, HeldBesideTheProgramWhileTheObjectLives) {
    EXPECT_EQ(vd::NewPlanLock::PathIn(vd::SettingsFolderOf(folder + "/vexweb.ini")), folder + "/RatePlans.lock");
    {
        vd::NewPlanLock lock(folder);
        EXPECT_FALSE(OtherProcessCanLock());
    }
    EXPECT_TRUE(OtherProcessCanLock());
}

TEST_F(NewPlanLockTest, LivesBesideTheTargetOfALinkedSettingsFile) {
    std::filesystem::create_directories(folder + "/state");
    close(open((folder + "/state/vexweb.ini").c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(symlink("state/vexweb.ini", (folder + "/vexweb.ini").c_str()), 0);
    const std::string settingsFolder = vd::SettingsFolderOf(folder + "/vexweb.ini");
    EXPECT_EQ(settingsFolder, folder + "/state");
    { vd::NewPlanLock lock(settingsFolder); }
    EXPECT_TRUE(std::filesystem::exists(folder + "/state/RatePlans.lock"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/RatePlans.lock"));
}

TEST_F(NewPlanLockTest, AMissingFolderIsAFailureNotASilentPass) {
    try {
        vd::NewPlanLock lock(folder + "/gone");
        FAIL() << "no failure";
    } catch (const vd::RunError& e) {
        EXPECT_EQ(e.Number, 76);
    }
}

}  // namespace
