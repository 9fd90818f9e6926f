// The rate plan selection page against real parameters and billing databases.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <string>

using namespace vdtest;

namespace {

std::string Opening(const std::string& heading) {
    return Header + Top + "<B><I><FONT COLOR=\"#99000\"><FONT SIZE=+1>" + heading +
           "</FONT></I></B></p>\r\n"
           "<TABLE WIDTH=100% CELLPADDING=0 CELLSPACING=0 BORDER=1>\r\n"
           "<form action=\"/cgi/vdconfig.exe\" method=\"POST\">\r\n"
           "<input type=hidden name=ConfigOption value=\"SHOWPLAN\">\r\n"
           "<td bgcolor=#000000><font color=#FFFFFF><b>Database</b></font></td>\r\n"
           "<td bgcolor=#000000><font color=#FFFFFF><b>Select a Billing Plan</b></font></td></tr>\r\n";
}

const std::string Closing = std::string("</td></tr></table>\r\n</form>\r\n") + BottomTemplate;

// One shown row: head, options, button. New is the supervisor's "new" option.
std::string Row(int i, const std::string& desc, const std::string& appl, const std::string& docType,
                const std::string& options, bool supervisor) {
    const std::string n = std::to_string(i);
    return "<td><label for=RateNum" + n + ">" + desc + "</label>\r\n<input type=hidden name=Appl" + n +
           " value=" + appl + "></td>\r\n<input type=hidden name=DocType" + n + " value=" + docType +
           "></td>\r\n<td><select name='RateNum" + n + "' id='RateNum" + n + "'>\r\n" +
           (supervisor ? "<option value=N>new\r\n" : "") + options +
           "</select></td><td>\r\n<input type=submit name=Rate" + n + " value=\"" +
           (supervisor ? "Modify Plan" : "Review Plan") + "\"><br>\r\n</td><tr>\r\n";
}

class RatePlanSelection : public ::testing::Test {
protected:
    void SetUp() override {
        SetUpSupervisorSite(site, dbs);
        dbs.AddUser("clerk", "0");
    }
    void AddPlan(const std::string& appl, const std::string& docType, int num, const std::string& desc,
                 int hide) const {
        dbs.Exec(dbs.BillingDb(),
                 "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description, Hide_level) values (" +
                     Sql(appl) + ", " + Sql(docType) + ", " + std::to_string(num) + ", " + Sql(desc) + ", " +
                     std::to_string(hide) + ")");
    }
    CgiResult Open(const std::string& user) const { return site.Run("User=" + user + "&ConfigOption=Rate+Plans"); }

    // Three databases in description order Births, Deeds, Maps: Births has
    // no plan, Deeds a hidden and a shown one, Maps only a hidden one.
    void ThreeDatabases() const {
        dbs.AddDocType("XYZ", "02", "Maps");
        dbs.AddDocType("ABC", "01", "Deeds");
        dbs.AddDocType("QQQ", "03", "Births");
        AddPlan("ABC", "01", 3, "Gold", -1);
        AddPlan("ABC", "01", 1, "Basic", 0);
        AddPlan("XYZ", "02", 0, "Secret", -1);
    }

    Site site;
    SiteDatabases dbs{site};
};

TEST_F(RatePlanSelection, SupervisorSeesEveryDatabaseWithNewAndHiddenPlans) {
    ThreeDatabases();
    CgiResult r = Open("boss");
    EXPECT_EQ(r.status, 0);
    // The plans of a database come in the order the database returns them.
    auto order = dbs.Query(dbs.BillingDb(),
                           "select RateNum, Rate_Description from Rate_Schedule where application = 'ABC' and "
                           "DocType = '01'");
    ASSERT_EQ(order.size(), 2u);
    std::string deeds;
    for (const auto& plan : order) deeds += "<option value=" + plan[0] + ">" + plan[1] + "\r\n";
    EXPECT_EQ(r.out, Opening("Select a Billing Plan to configure") + Row(1, "Births", "QQQ", "03", "", true) +
                         Row(2, "Deeds", "ABC", "01", deeds, true) +
                         Row(3, "Maps", "XYZ", "02", "<option value=0>Secret\r\n", true) + Closing);
}

TEST_F(RatePlanSelection, OtherUserSeesOnlyShownPlansWithGapsInTheRowNumbers) {
    ThreeDatabases();
    CgiResult r = Open("clerk");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening("Select a Billing Plan to review") +
                         Row(2, "Deeds", "ABC", "01", "<option value=1>Basic\r\n", false) + Closing);
}

TEST_F(RatePlanSelection, EmptyDocumentTypesGiveTheFrameOnly) {
    CgiResult r = Open("boss");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening("Select a Billing Plan to configure") + Closing);
}

TEST_F(RatePlanSelection, PlansOfADatabaseAreInNumberOrder) {
    // Even a table without a key, which returns its rows as stored (5, 2, 4).
    // The debug log names the one statement that read them.
    site.WriteIni(dbs.IniLine() + "Debug=true\r\n");
    dbs.Exec(dbs.BillingDb(), "drop table Rate_Schedule");
    dbs.Exec(dbs.BillingDb(), RateScheduleTable(25, ScheduleKey::None));
    dbs.AddDocType("ABC", "01", "Deeds");
    AddPlan("ABC", "01", 5, "Five", 0);
    AddPlan("ABC", "01", 2, "Two", 0);
    AddPlan("ABC", "01", 4, "Four", 0);
    CgiResult r = Open("clerk");
    EXPECT_EQ(r.out, Opening("Select a Billing Plan to review") +
                         Row(1, "Deeds", "ABC", "01",
                             "<option value=2>Two\r\n<option value=4>Four\r\n<option value=5>Five\r\n", false) +
                         Closing);
    const std::string log = site.Read("temp/vdconfig.log");
    EXPECT_NE(log.find("MakeHTMLBillingPlan: SQL=select application, DocType, RateNum, Rate_Description "
                       "from Rate_Schedule where Hide_level = 0 order by application, DocType, RateNum "),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("MakeHTMLBillingPlan: SQL=", log.find("SQL=") + 1), std::string::npos) << log;
}

TEST_F(RatePlanSelection, CodesWithApostrophesAndMarkupInTextsAreSafe) {
    // The codes reach the query with their apostrophes doubled and the page
    // escaped; descriptions show as typed.
    dbs.AddDocType("O'K", "A'", "Deeds <b>\"A&B\"</b>");
    AddPlan("O'K", "A'", 0, "Tom's <i>plan</i>", 0);
    CgiResult r = Open("clerk");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening("Select a Billing Plan to review") +
                         Row(1, "Deeds &lt;b&gt;&quot;A&amp;B&quot;&lt;/b&gt;", "O&#39;K", "A&#39;",
                             "<option value=0>Tom&#39;s &lt;i&gt;plan&lt;/i&gt;\r\n", false) +
                         Closing);
}

TEST_F(RatePlanSelection, RowsBeyondTheFirstHundredAreListed) {
    for (int i = 0; i < 105; ++i) {
        char desc[16];
        std::snprintf(desc, sizeof desc, "D%03d", i);
        dbs.AddDocType("A" + std::to_string(i / 10), std::to_string(i % 10) + "x", desc);
    }
    CgiResult r = Open("boss");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("<input type=submit name=Rate105 value=\"Modify Plan\"><br>\r\n"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - Closing.size()), Closing);
}

}  // namespace
