// Saving and deleting rate plans through the program, checked in the real
// billing database.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vdtest;

namespace {

// What the form posts for a plan, every value filled in.
Fields PlanForm(const std::string& rateNum) {
    Fields fields = RatePlanFields(rateNum, "Gold");
    fields["Report_Fee"] = "3.00";
    fields["Ocr_Fee"] = ".10";
    return fields;
}

std::string Confirmation(const std::string& message) {
    return "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">" + message +
           "</FONT></CENTER></p>\r\n<BR><BR><CENTER><FONT COLOR=\"#99000\"><A HREF=\"/cgi/vdconfig.exe?ConfigOption=RATE "
           "PLANS\">Click here to return to the rate plan screen</A></FONT></CENTER>\r\n";
}

std::string MessagePage(const std::string& message) {
    return Header + Top + "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">" + message + "</FONT></CENTER></p>\r\n" +
           BottomTemplate;
}

std::string ErrorPage(const std::string& line) {
    return Header + ErrTopTemplate + "<p align=\"center\">\r\n" + line + "</p>\r\n" + ErrBottomTemplate;
}

size_t Count(const std::string& hay, const std::string& needle) {
    size_t n = 0;
    for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
    return n;
}

const std::string AllColumns =
    "quote(application), quote(DocType), quote(RateNum), quote(Flat_Fee), quote(Search_Fee), quote(NoHits_Fee), "
    "quote(DocInfo_Fee), quote(AllPages_Fee), quote(Page_Fee), quote(Hits_Fee), quote(Max_Searches), "
    "quote(Max_DocInfo), quote(Max_DocView), quote(Max_PageView), quote(Rate_Description), quote(Hide_level), "
    "quote(Report_Fee), quote(OCR_Fee), quote(Tax_Policy), quote(Billing_Policy), quote(Termination_Policy), "
    "quote(Max_Searches_Overcharge), quote(Max_DocInfo_Overcharge), quote(Max_DocView_Overcharge), "
    "quote(Max_PageView_Overcharge)";

class RatePlanSave : public ::testing::Test {
protected:
    void SetUp() override {
        SetUpSupervisorSite(site, dbs);
        dbs.AddDocType("ABC", "01", "Deeds");
    }
    CgiResult Post(const Fields& fields) const { return site.Run("", Body(fields)); }
    void AddPlan(int num, const std::string& desc, const std::string& appl = "ABC",
                 const std::string& docType = "01") const {
        dbs.Exec(dbs.BillingDb(),
                 "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description, Report_Fee, Tax_Policy) "
                 "values (" +
                     Sql(appl) + ", " + Sql(docType) + ", " + std::to_string(num) + ", " + Sql(desc) + ", 2.5, 'T')");
    }
    // One plan's columns as SQLite quotes them ("NULL", '...', 1.5, 12).
    std::vector<std::string> Plan(int num, const std::string& appl = "ABC", const std::string& docType = "01") const {
        auto rows = dbs.Query(dbs.BillingDb(), "select " + AllColumns + " from Rate_Schedule where application = " +
                                                   Sql(appl) + " and DocType = " + Sql(docType) +
                                                   " and RateNum = " + std::to_string(num));
        return rows.size() == 1 ? rows[0] : std::vector<std::string>{};
    }
    std::vector<std::string> Numbers() const {
        std::vector<std::string> numbers;
        for (auto& row : dbs.Query(dbs.BillingDb(), "select RateNum from Rate_Schedule order by RateNum"))
            numbers.push_back(row[0]);
        return numbers;
    }

    Site site;
    SiteDatabases dbs{site};
};

TEST_F(RatePlanSave, NewPlanTakesTheLowestFreeNumber) {
    site.WriteIni(dbs.IniLine() + "Debug=TRUE\r\n");
    AddPlan(0, "a");
    AddPlan(1, "b");
    AddPlan(3, "c");
    CgiResult r = Post(PlanForm("32767"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(WithoutChanges(r.out), Header + Top + Confirmation("Rate plan Gold has been saved for Application ABC - Database 01") +
                         BottomTemplate);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(Plan(2), (std::vector<std::string>{"'ABC'", "'01'", "2", "10.0", "1.5", "-0.5", "0.0", "0.25", "2.68",
                                                 "1234.5", "100", "7", "-1", "32767", "'Gold'", "0", "0.0", "0.0",
                                                 "NULL", "NULL", "NULL", "0.05", "1.0", "2.0", "3.0"}));
    EXPECT_NE(site.Read("temp/vdconfig.log").find("adding Appl ABC Doctype 01 Rate_Level 2 "), std::string::npos);
}

// The numbers of one database's plans are its own: the other databases of
// its application, and other applications, take none of them.
TEST_F(RatePlanSave, NewPlansAreNumberedAmongThePlansOfTheirOwnDatabase) {
    dbs.AddDocType("ABC", "02", "Maps");
    AddPlan(0, "a");
    AddPlan(1, "b", "ABC", "02");
    AddPlan(1, "c", "XYZ");
    EXPECT_EQ(Post(PlanForm("32767")).status, 0);
    Fields other = PlanForm("32767");
    other["DocType"] = "02";
    EXPECT_EQ(Post(other).status, 0);
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select application || DocType || '-' || RateNum from Rate_Schedule "
                                         "where Rate_Description = 'Gold' order by DocType"),
              (std::vector<std::vector<std::string>>{{"ABC01-1"}, {"ABC02-0"}}));
}

TEST_F(RatePlanSave, FirstPlanIsZeroAndADeletedNumberIsReused) {
    EXPECT_EQ(Post(PlanForm("32767")).status, 0);
    EXPECT_EQ(Post(PlanForm("32767")).status, 0);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"0", "1"}));
    Fields del = PlanForm("0");
    del["DataAction"] = "DELETE";
    del["ConfirmDelete"] = "YES";
    EXPECT_EQ(Post(del).out, Header + Top +
                                 Confirmation("Rate plan Gold has been deleted for Application ABC - Database 01") +
                                 BottomTemplate);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1"}));
    Post(PlanForm("32767"));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"0", "1"}));
}

TEST_F(RatePlanSave, NumbersAreStoredAsTheyStand) {
    AddPlan(4, "old");
    Fields f = PlanForm("4");
    f["Max_Searches"] = "12.5";  // halves to even
    f["Max_Docinfo"] = "13.5";
    f["Max_DocView"] = " 20\r\n";  // blanks around are no part of it
    f["Search_Fee"] = "";          // an empty fee is 0
    f["Hits_Fee"] = "1.5e2";
    CgiResult r = Post(f);
    EXPECT_NE(r.out.find("has been saved"), std::string::npos) << r.out;
    std::vector<std::string> plan = Plan(4);
    ASSERT_EQ(plan.size(), 25u);
    EXPECT_EQ(plan[10], "12");
    EXPECT_EQ(plan[11], "14");
    EXPECT_EQ(plan[12], "20");
    EXPECT_EQ(plan[4], "0.0");
    EXPECT_EQ(plan[9], "150.0");
}

// A value the plan cannot store as typed (a fee with a slip in it, a count
// its column cannot hold, no name) stores nothing: the form comes back as
// typed, with its token, and a line per field; mended there, it saves.
TEST_F(RatePlanSave, ValuesThatCannotBeStoredAsTypedBringTheFormBack) {
    Fields f = PlanForm("32767");
    f["PlanToken"] = std::string(32, 'a');
    f["Flat_Fee"] = "$2.00";
    f["Search_Fee"] = "1,50";
    f["Max_Searches"] = "12 searches";
    f["NoHits_Fee"] = "1.5.0";
    f["Max_DocView"] = "40000";
    f["Rate_Description"] = " ";
    CgiResult r = Post(f);
    EXPECT_TRUE(Numbers().empty());
    const std::string line = "<P><CENTER><FONT COLOR=\"#99000\">";
    EXPECT_EQ(r.out.rfind(Header + Top + "<div class=refused role=alert>\r\n" + line +
                              "<b>Rate plan not saved. Correct what is named below and save again.</b></FONT>"
                              "</CENTER></p>\r\n" +
                              line + "Billing Plan: a plan needs a name.</FONT></CENTER></p>\r\n",
                          0),
              0u)
        << r.out;
    for (const char* expected : {
             "Monthly fee to use this database: &quot;$2.00&quot; is not a number.",
             "Fee charged for each search performed: &quot;1,50&quot; is not a number.",
             "Fee charged on search where no matching document were found: &quot;1.5.0&quot; is not a number.",
             "Maximum number of searches allowed per month: &quot;12 searches&quot; is not a number.",
             "Maximum number of document image views (or e-mails) allowed per month: &quot;40000&quot; is more "
             "than 32767.",
             "<input type=hidden name=PlanToken value=\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">",
             "<input type=hidden name=RateNum value=\"32767\">",
             "NAME=Flat_Fee ID=Flat_Fee VALUE=\"$2.00\"",
             "NAME=Max_DocView ID=Max_DocView VALUE=\"40000\"",
         })
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;

    f["Flat_Fee"] = "2.00";
    f["Search_Fee"] = "1.50";
    f["Max_Searches"] = " 12 ";
    f["NoHits_Fee"] = "1.5";
    f["Max_DocView"] = "400";
    f["Rate_Description"] = "Gold";
    EXPECT_NE(Post(f).out.find("Rate plan Gold has been saved"), std::string::npos);
    EXPECT_EQ(Plan(0)[3], "2.0");
    EXPECT_EQ(Plan(0)[10], "12");
}

TEST_F(RatePlanSave, AnOverflowingPlanNumberGivesTheErrorPageAndWritesNothing) {
    AddPlan(1, "old");
    Fields f = PlanForm("40000");
    EXPECT_EQ(Post(f).out, ErrorPage("(6) Error: Overflow"));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1"}));
}

TEST_F(RatePlanSave, ReportAndOcrFeesFollowTheSwitches) {
    AddPlan(1, "old");  // report fee 2.5
    Post(PlanForm("1"));
    EXPECT_EQ(Plan(1)[16], "0.0");  // reports off: overwritten with 0
    EXPECT_EQ(Plan(1)[17], "0.0");  // OCR off: 0, whatever was posted

    site.WriteIni(dbs.IniLine() + "ReportsAllowed=TRUE\r\nOCRAllowed=TRUE\r\n");
    Post(PlanForm("1"));
    EXPECT_EQ(Plan(1)[16], "3.0");
    EXPECT_EQ(Plan(1)[17], "0.1");
}

TEST_F(RatePlanSave, HideIsYesInAnyCaseOnly) {
    AddPlan(1, "old");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"yes", "-1"}, {"YeS", "-1"}, {"NO", "0"}, {"YES ", "0"}, {"Y", "0"}};
    for (const auto& [posted, stored] : cases) {
        Fields f = PlanForm("1");
        f["Hidelevel"] = posted;
        Post(f);
        EXPECT_EQ(Plan(1)[15], stored) << posted;
    }
    Fields f = PlanForm("1");
    f["Hidelevel"] = "YES";
    Post(f);
    f.erase("Hidelevel");
    Post(f);
    EXPECT_EQ(Plan(1)[15], "0");
}

TEST_F(RatePlanSave, ClearedPolicyIsStoredAsNull) {
    AddPlan(1, "old");  // Tax policy 'T'
    Fields f = PlanForm("1");
    f["Billing_Policy"] = "Monthly";
    Post(f);
    EXPECT_EQ(Plan(1)[18], "NULL");
    EXPECT_EQ(Plan(1)[19], "'Monthly'");
}

TEST_F(RatePlanSave, LongPoliciesAreCutWithNoticesOnTheConfirmationPage) {
    Fields f = PlanForm("32767");
    const std::string tax = std::string(250, 't') + "     " + std::string(45, 'u');  // 300 characters
    f["Tax_Policy"] = tax;
    f["Billing_Policy"] = std::string(255, 'b');  // fits exactly
    CgiResult r = Post(f);
    EXPECT_EQ(WithoutChanges(r.out), Header + Top + "<p align=\"center\">\r\nTax Policy is limited to 255 characters.\r\n" +
                         Confirmation("Rate plan Gold has been saved for Application ABC - Database 01") +
                         BottomTemplate);
    EXPECT_EQ(Plan(0)[18], "'" + std::string(250, 't') + "'");
    EXPECT_EQ(Plan(0)[19], "'" + std::string(255, 'b') + "'");

    f["RateNum"] = "0";
    f["Tax_Policy"] = std::string(256, 'x');
    f["Billing_Policy"] = std::string(300, 'y');
    f["Termination_Policy"] = std::string(999, 'z');
    r = Post(f);
    EXPECT_EQ(Count(r.out, "Content-Type"), 1u);
    EXPECT_EQ(WithoutChanges(r.out), Header + Top + "<p align=\"center\">\r\nTax Policy is limited to 255 characters.\r\n" +
                         "<p align=\"center\">\r\nBilling Policy is limited to 255 characters.\r\n" +
                         "<p align=\"center\">\r\nTermination Policy is limited to 255 characters.\r\n" +
                         Confirmation("Rate plan Gold has been saved for Application ABC - Database 01") +
                         BottomTemplate);
    EXPECT_EQ(Plan(0)[20], "'" + std::string(255, 'z') + "'");
}

TEST_F(RatePlanSave, ApostrophesAndMarkupSurviveEveryTextField) {
    dbs.AddDocType("O'K", "A'", "Quotes");
    Fields f = PlanForm("32767");
    f["Appl"] = "O'K";
    f["DocType"] = "A'";
    f["Rate_Description"] = "Tom's \"best\" <b>&";
    f["Tax_Policy"] = "It's </textarea><script>x</script>";
    f["Billing_Policy"] = "'';--";
    f["Termination_Policy"] = "a\r\nb 'c'";
    CgiResult r = Post(f);
    EXPECT_EQ(WithoutChanges(r.out), Header + Top +
                         Confirmation("Rate plan Tom&#39;s &quot;best&quot; &lt;b&gt;&amp; has been saved for "
                                      "Application O&#39;K - Database A&#39;") +
                         BottomTemplate);
    std::vector<std::string> plan = Plan(0, "O'K", "A'");
    ASSERT_EQ(plan.size(), 25u);
    EXPECT_EQ(plan[14], Sql("Tom's \"best\" <b>&"));
    EXPECT_EQ(plan[18], Sql("It's </textarea><script>x</script>"));
    EXPECT_EQ(plan[19], Sql("'';--"));
    EXPECT_EQ(plan[20], Sql("a\r\nb 'c'"));

    // The form shows the texts escaped, and saving the stored plan again
    // updates the one row.
    CgiResult form = site.Run("User=boss&ConfigOption=SHOWPLAN&Appl1=O%27K&DocType1=A%27&RateNum1=0&Rate1=x");
    EXPECT_NE(form.out.find("VALUE=\"Tom&#39;s &quot;best&quot; &lt;b&gt;&amp;\""), std::string::npos);
    EXPECT_NE(form.out.find("rows=4 cols=75>It&#39;s &lt;/textarea&gt;&lt;script&gt;x&lt;/script&gt;</textarea>"),
              std::string::npos);
    f["RateNum"] = "0";
    f["Rate_Description"] = "Tom's second";
    EXPECT_NE(Post(f).out.find("Rate plan Tom&#39;s second has been saved"), std::string::npos);
    EXPECT_EQ(Plan(0, "O'K", "A'")[14], Sql("Tom's second"));
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule")[0][0], "1");

    f["DataAction"] = "DELETE";
    f["ConfirmDelete"] = "YES";
    EXPECT_NE(Post(f).out.find("Rate plan Tom&#39;s second has been deleted for Application O&#39;K - Database A&#39;"),
              std::string::npos);
    EXPECT_TRUE(Numbers().empty());
}

TEST_F(RatePlanSave, RefusedWritesAreNeverConfirmed) {
    // Another process stores the same number just before this insert: the
    // primary key refuses the second row.
    dbs.Exec(dbs.BillingDb(),
             "create trigger race before insert on Rate_Schedule when new.Rate_Description <> 'other' begin "
             "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description) values "
             "(new.application, new.DocType, new.RateNum, 'other'); end");
    CgiResult r = Post(PlanForm("32767"));
    EXPECT_EQ(r.out.find("has been saved"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.rfind(Header + ErrTopTemplate, 0), 0u) << r.out;
    EXPECT_EQ(Count(r.out, "Content-Type"), 1u);
    EXPECT_TRUE(Plan(0).empty());

    dbs.Exec(dbs.BillingDb(), "drop trigger race");
    AddPlan(1, "old");
    dbs.Exec(dbs.BillingDb(),
             "create trigger frozen before update on Rate_Schedule begin select raise(abort, 'frozen'); end");
    r = Post(PlanForm("1"));
    EXPECT_EQ(r.out.find("has been saved"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("frozen"), std::string::npos);
    EXPECT_EQ(Plan(1)[14], "'old'");

    // Without its billing database the save answers with the error alone.
    std::remove(site.Path("DSN/WVDAccounting.DSN").c_str());
    r = Post(PlanForm("1"));
    EXPECT_EQ(r.out.rfind(Header + ErrTopTemplate, 0), 0u) << r.out;
    EXPECT_EQ(Count(r.out, "Content-Type"), 1u) << r.out;
}

TEST_F(RatePlanSave, NumberingWaitsForAnotherSaveInProgress) {
    // The test holds the numbering lock as a saving process would, and
    // stores plan 0 while the program waits for it.
    const std::string lockPath = site.Path("RatePlans.lock");
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    struct stat st {};
    ASSERT_EQ(fstat(fd, &st), 0);
    if (ReadFile("/proc/locks").empty()) GTEST_SKIP() << "the kernel's lock list is not readable here";
    CgiResult r;
    std::thread save([&] { r = Post(PlanForm("32767")); });
    // Wait until the kernel lists a request blocked on the lock file.
    const std::string inode = ":" + std::to_string(st.st_ino) + " ";
    bool waiting = false;
    for (int i = 0; i < 6000 && !waiting; ++i) {
        std::string locks = ReadFile("/proc/locks");
        for (size_t p = locks.find("->"); p != std::string::npos && !waiting; p = locks.find("->", p + 2)) {
            size_t end = locks.find('\n', p);
            waiting = locks.substr(p, end - p).find(inode) != std::string::npos;
        }
        if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(waiting) << "the save never waited for the lock";
    AddPlan(0, "other");
    flock(fd, LOCK_UN);
    close(fd);
    save.join();
    EXPECT_NE(r.out.find("has been saved"), std::string::npos) << r.out;
    EXPECT_EQ(Plan(0)[14], "'other'");
    EXPECT_EQ(Plan(1)[14], "'Gold'");
}

TEST_F(RatePlanSave, TablesOfEighteenOrTwentyOneColumnsRefuseTheSave) {
    for (const int columns : {18, 21}) {
        dbs.Exec(dbs.BillingDb(), "drop table Rate_Schedule");
        dbs.Exec(dbs.BillingDb(), RateScheduleTable(columns));
        EXPECT_EQ(Post(PlanForm("32767")).out, ErrorPage("(9) Error: Subscript out of range"));
        EXPECT_TRUE(Numbers().empty());
    }
}

class RatePlanDelete : public RatePlanSave {
protected:
    Fields Delete(const std::string& rateNum) const {
        Fields f = {{"User", "boss"}, {"ConfigOption", "SAVEPLAN"}, {"Appl", "ABC"},
                    {"DocType", "01"}, {"RateNum", rateNum},          {"DataAction", "delete"},
                    {"ConfirmDelete", "YES"}};
        return f;
    }
};

TEST_F(RatePlanDelete, RemovesOnlyThePlanAndThenFindsItNoMore) {
    for (int i = 0; i <= 3; ++i) AddPlan(i, "Plan <" + std::to_string(i) + ">");
    AddPlan(2, "Elsewhere", "XYZ");
    EXPECT_EQ(Post(Delete("2")).out,
              Header + Top +
                  Confirmation("Rate plan Plan &lt;2&gt; has been deleted for Application ABC - Database 01") +
                  BottomTemplate);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"0", "1", "2", "3"}));  // XYZ's plan 2 stays
    EXPECT_TRUE(Plan(2).empty());

    const std::string notFound = MessagePage("Rate plan #2 not found for Application ABC - Database 01");
    EXPECT_EQ(Post(Delete("2")).out, notFound);
    EXPECT_EQ(Post(Delete("32767")).out,
              MessagePage("Rate plan #32767 not found for Application ABC - Database 01"));
    EXPECT_EQ(Numbers().size(), 4u);
}

TEST_F(RatePlanDelete, AKeyMatchingTwoRowsIsNotDeletedAndSaysSo) {
    dbs.Exec(dbs.BillingDb(), "drop table Rate_Schedule");
    dbs.Exec(dbs.BillingDb(), RateScheduleTable(25, ScheduleKey::None));
    AddPlan(1, "one");
    AddPlan(1, "twin");
    EXPECT_EQ(Post(Delete("1")).out,
              MessagePage("Rate plan #1 could not be deleted for Application ABC - Database 01"));
    EXPECT_EQ(Numbers().size(), 2u);
}

TEST_F(RatePlanDelete, WildcardCharactersAreCharactersOfTheKey) {
    for (const auto& [appl, docType] : {std::pair{"%", "0_"}, {"%", "01"}, {"AB_", "01"}, {"ABC", "%"}})
        dbs.AddDocType(appl, docType, "Wild");
    AddPlan(0, "Basic");
    AddPlan(1, "Other");
    Fields plan = PlanForm("32767");
    plan["Appl"] = "%";
    plan["DocType"] = "0_";
    // A new plan is numbered from its own database's plans only.
    EXPECT_EQ(Post(plan).status, 0);
    EXPECT_EQ(Plan(0, "%", "0_").at(14), "'Gold'");
    plan["RateNum"] = "0";
    plan["Rate_Description"] = "Gold two";
    EXPECT_NE(Post(plan).out.find("Rate plan Gold two has been saved"), std::string::npos);
    EXPECT_EQ(Plan(0).at(14), "'Basic'");
    EXPECT_EQ(Plan(0, "%", "0_").at(14), "'Gold two'");
    // A delete acts on the posted key alone.
    for (const auto& [appl, docType] : {std::pair{"%", "01"}, {"AB_", "01"}, {"ABC", "%"}}) {
        Fields del = Delete("0");
        del["Appl"] = appl;
        del["DocType"] = docType;
        EXPECT_EQ(Post(del).out.find("has been deleted"), std::string::npos) << appl << docType;
    }
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"0", "0", "1"}));
    Fields del = Delete("0");
    del["Appl"] = "%";
    del["DocType"] = "0_";
    EXPECT_NE(Post(del).out.find("has been deleted"), std::string::npos);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(Plan(0).at(14), "'Basic'");
}

}  // namespace
