// The rate plan form (supervisor) and review page (other users) against
// real parameters and billing databases.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

using namespace vdtest;

namespace {

std::string HeadRow(const std::string& label, const std::string& value) {
    return "<tr><td align=right>" + label + "</td>\r\n<td><b>" + value + "</b></td></tr>\r\n";
}

std::string TextRow(const std::string& label, const std::string& field, const std::string& value) {
    return "<tr><td align=right><label for=" + field + ">" + label + "</label></td>\r\n<td><INPUT TYPE=Text NAME=" +
           field + " ID=" + field + " VALUE=\"" + value + "\"></td></tr>\r\n";
}

struct Values {
    std::string applName, desc, description;
    std::string flat, search, noHits, docInfo, allPages, page, hits;
    std::string maxSearches, maxDocInfo, maxDocView, maxPageView;
    std::string overSearches, overDocInfo, overDocView, overPageView;
    std::string report, ocr;  // empty: the row is absent
    bool perPage = false;
};

// What a supervisor's form was drawn from: a new plan's token or the stored
// row's version, each shown by Masked as a placeholder.
std::string DrawnFrom(const std::string& heading, const std::string& rateNum) {
    if (heading != "Enter the applicable fees for this rate plan") return "";
    return rateNum == "32767" ? "<input type=hidden name=PlanToken value=\"{TOKEN}\">\r\n"
                              : "<input type=hidden name=PlanVersion value=\"{VERSION}\">\r\n";
}

// The page with the token or version (32 hex digits) as its placeholder.
std::string Masked(const std::string& page) {
    static const std::regex token("name=PlanToken value=\"[0-9a-f]{32}\""),
        version("name=PlanVersion value=\"[0-9a-f]{32}\"");
    return std::regex_replace(std::regex_replace(page, token, "name=PlanToken value=\"{TOKEN}\""), version,
                              "name=PlanVersion value=\"{VERSION}\"");
}

// The page up to the end of the value table (before "See policies below").
std::string FormTop(const std::string& heading, const std::string& appl, const std::string& docType,
                    const std::string& rateNum, const Values& v) {
    std::string page = Header + Top +
                       "<form action=\"/cgi/vdconfig.exe\" method=\"POST\">\r\n"
                       "<input type=hidden name=ConfigOption value=\"SAVEPLAN\">\r\n"
                       "<input type=hidden name=Appl value=\"" +
                       appl + "\">\r\n<input type=hidden name=DocType value=\"" + docType +
                       "\">\r\n<input type=hidden name=RateNum value=\"" + rateNum + "\">\r\n" +
                       DrawnFrom(heading, rateNum) + "<B><I><CENTER><FONT SIZE=3 COLOR=#99000>" + heading +
                       "</FONT></I></B></p>\r\n<TABLE CELLPADDING=2 CELLSPACING=2 BORDER=1 bgcolor=#FFFFCC>\r\n";
    page += HeadRow("Application", v.applName) + HeadRow("Database", v.desc) +
            TextRow("Billing Plan", "Rate_Description", v.description) +
            TextRow("Monthly fee to use this database", "Flat_Fee", v.flat) +
            TextRow("Fee charged for each search performed", "Search_Fee", v.search) +
            TextRow("Fee charged on search where no matching document were found", "NoHits_Fee", v.noHits) +
            TextRow("Fee charged to view database information for a document", "DocInfo_Fee", v.docInfo) +
            TextRow(std::string("Fee charged to view all image pages for a document") +
                        (v.perPage ? " <b>(PER PAGE)</b>" : ""),
                    "AllPages_Fee", v.allPages) +
            TextRow("Maximum number of searches allowed per month", "Max_Searches", v.maxSearches) +
            TextRow("Price per search after search maximum reached", "Max_Searches_Overcharge", v.overSearches) +
            TextRow("Maximum number of document data views allowed per month", "Max_Docinfo", v.maxDocInfo) +
            TextRow("Price per document data view after document data view maximum reached",
                    "Max_Docinfo_Overcharge", v.overDocInfo) +
            TextRow("Maximum number of document image views (or e-mails) allowed per month", "Max_DocView",
                    v.maxDocView) +
            TextRow("Price per document image view (or email) after image view maximum reached",
                    "Max_DocView_Overcharge", v.overDocView) +
            TextRow("Maximum number of single page views allowed per month", "Max_PageView", v.maxPageView) +
            TextRow("Price persingle page view after single page view maximum reached", "Max_pageView_Overcharge",
                    v.overPageView) +
            TextRow("Fee charge to view individual pages for a document", "Page_Fee", v.page) +
            TextRow("Fee charged for each document found for a search", "Hits_Fee", v.hits);
    if (!v.report.empty()) page += TextRow("Fee charged to print a hit list report", "Report_Fee", v.report);
    if (!v.ocr.empty()) page += TextRow("Per page fee charged to OCR a page", "Ocr_Fee", v.ocr);
    return page;
}

std::string HideRow(bool hidden) {
    return std::string("<tr><td align=right><label for=Hidelevel>Hide this rate plan from the general public</label>"
                       "</td>\r\n<td><select name='Hidelevel' id='Hidelevel'>\r\n") +
           (hidden ? "<option value=YES SELECTED>YES\r\n<option value=NO>NO\r\n"
                   : "<option value=YES>YES\r\n<option value=NO SELECTED>NO\r\n") +
           "</select></td>\r\n";
}

std::string TextArea(const std::string& label, const std::string& field, const std::string& rows,
                     const std::string& text) {
    return "<b><label for=" + field + ">" + label + "</label></b>: <textarea name=" + field + " id=" + field +
           " rows=" + rows + " cols=75>" + text +
           "</textarea><P>\r\n";
}

const std::string SeePolicies = "<tr><td></td><td><b>See policies below</B></td></tr>\r\n";
const std::string TableEnd = "</table></center>\r\n<br>\r\n";
const std::string SaveButton = "<INPUT TYPE=\"SUBMIT\" NAME=\"DataAction\" VALUE=\"SAVE\">&nbsp;&nbsp;\r\n";
const std::string DeleteButton = "<INPUT TYPE=\"SUBMIT\" NAME=\"DataAction\" VALUE=\"DELETE\">\r\n";
const std::string FormEnd = std::string("</form>\r\n") + BottomTemplate;

const std::string Configure = "Enter the applicable fees for this rate plan";
const std::string Review = "Below are the applicable fees for this rate plan";

class RatePlanForm : public ::testing::Test {
protected:
    void SetUp() override {
        SetUpSupervisorSite(site, dbs);
        dbs.AddUser("clerk", "0");
        dbs.AddDocType("ABC", "01", "Deeds");
        dbs.Exec(dbs.ParamsDb(), "insert into Applications (ApplicationID, ApplicationName) values ('ABC', 'Abstracts')");
    }
    // The plan of the first test: every kind of value, a hidden flag and
    // policies that need escaping.
    void StoreRichPlan() const {
        dbs.Exec(dbs.BillingDb(),
                 "insert into Rate_Schedule values ('ABC', '01', 2, 10, 1.5, -0.5, 0, 0.25, 2.675, 1234.5, 100, 0, "
                 "-1, 32767, " +
                     Sql("Gold \"plus\" <b>") + ", -1, 3, 0.1, " + Sql("Tax </textarea><b>x</b> it's") + ", " +
                     Sql(std::string(255, 'b')) + ", NULL, 0.05, 1, 2, 3)");
    }
    // Shows the plan as the selection page's row 4 would post it.
    CgiResult Show(const std::string& user, const std::string& rateNum, const std::string& appl = "ABC",
                   const std::string& docType = "01") const {
        return site.Run("User=" + user + "&ConfigOption=SHOWPLAN&Appl4=" + appl + "&DocType4=" + docType +
                        "&RateNum4=" + rateNum + "&Rate4=Modify+Plan");
    }
    static Values RichValues(bool reportsAndOcr) {
        Values v{"Abstracts", "Deeds", "Gold &quot;plus&quot; &lt;b&gt;", "10.00", "1.50", "-.50", ".00", ".25",
                 "2.68", "1234.50", "100", "0", "-1", "32767", ".05", "1.00", "2.00", "3.00",
                 reportsAndOcr ? "3.00" : "", reportsAndOcr ? ".10" : "", false};
        return v;
    }

    Site site;
    SiteDatabases dbs{site};
};

const std::string TaxText = "Tax &lt;/textarea&gt;&lt;b&gt;x&lt;/b&gt; it&#39;s";

TEST_F(RatePlanForm, StoredPlanForASupervisorIsAFullForm) {
    site.WriteIni(dbs.IniLine() + "ReportsAllowed=TRUE\r\nOCRAllowed=true\r\n", "[ABCVDW01]\r\nAllPagesPerPage=True\r\n");
    StoreRichPlan();
    CgiResult r = Show("boss", "2");
    EXPECT_EQ(r.status, 0);
    Values v = RichValues(true);
    v.perPage = true;
    EXPECT_EQ(Masked(r.out), FormTop(Configure, "ABC", "01", "2", v) + HideRow(true) + SeePolicies + TableEnd +
                         TextArea("Tax Policy", "Tax_Policy", "4", TaxText) +
                         TextArea("Billing Policy", "Billing_Policy", "8", std::string(255, 'b')) +
                         TextArea("Termination Policy", "Termination_Policy", "4", "") + SaveButton + DeleteButton +
                         FormEnd);
}

TEST_F(RatePlanForm, StoredHiddenPlanForAnotherUserIsAReviewWithoutButtons) {
    StoreRichPlan();
    CgiResult r = Show("clerk", "2");
    EXPECT_EQ(r.status, 0);
    // No hide row, no report or OCR rows (both switched off), only the
    // policies that hold text, as text.
    EXPECT_EQ(Masked(r.out), FormTop(Review, "ABC", "01", "2", RichValues(false)) + SeePolicies + TableEnd +
                         "<b>Tax Policy</b>: " + TaxText + "<P>\r\n<b>Billing Policy</b>: " + std::string(255, 'b') +
                         "<P>\r\n" + FormEnd);
}

TEST_F(RatePlanForm, NewPlanStartsFromZerosForASupervisor) {
    dbs.AddDocType("NEW", "07", "Maps");  // no Applications row: the code stands in
    CgiResult r = Show("boss", "N", "NEW", "07");
    EXPECT_EQ(r.status, 0);
    Values v{"NEW", "Maps", "", ".00", ".00", ".00", ".00", ".00", ".00", ".00", "0", "0", "0", "0",
             ".00", ".00", ".00", ".00", "", "", false};
    EXPECT_EQ(Masked(r.out), FormTop(Configure, "NEW", "07", "32767", v) + HideRow(false) + TableEnd +
                         TextArea("Tax Policy", "Tax_Policy", "4", "") +
                         TextArea("Billing Policy", "Billing_Policy", "4", "") +
                         TextArea("Termination Policy", "Termination_Policy", "4", "") + SaveButton + FormEnd);
}

TEST_F(RatePlanForm, PlanWithoutPoliciesShowsNoPolicyLinesToAnotherUser) {
    dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule (application, DocType, RateNum, Flat_Fee, Search_Fee, "
                              "NoHits_Fee, DocInfo_Fee, AllPages_Fee, Page_Fee, Hits_Fee, Max_Searches, Max_DocInfo, "
                              "Max_DocView, Max_PageView, Rate_Description, Hide_level, Report_Fee, OCR_Fee, "
                              "Max_Searches_Overcharge, Max_DocInfo_Overcharge, Max_DocView_Overcharge, "
                              "Max_PageView_Overcharge) values ('ABC', '01', 0, 1, 1, 1, 1, 1, 1, 1, 5, 5, 5, 5, "
                              "'Plain', 0, 0, 0, 0, 0, 0, 0)");
    CgiResult r = Show("clerk", "0");
    EXPECT_EQ(r.status, 0);
    const std::string tail = "</td></tr>\r\n" + TableEnd + FormEnd;
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(r.out.find("See policies"), std::string::npos);
    EXPECT_EQ(r.out.find("Policy</b>"), std::string::npos);
}

TEST_F(RatePlanForm, TablesOfEighteenAndTwentyOneColumnsAreRead) {
    const std::string values18 = "'ABC', '01', 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 'Old', 0, 0, 0";
    Values v{"Abstracts", "Deeds", "Old", "1.00", "2.00", "3.00", "4.00", "5.00", "6.00", "7.00", "8", "9",
             "10", "11", ".00", ".00", ".00", ".00", "", "", false};

    dbs.Exec(dbs.BillingDb(), "drop table Rate_Schedule");
    dbs.Exec(dbs.BillingDb(), RateScheduleTable(18));
    dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule values (" + values18 + ")");
    CgiResult r18 = Show("boss", "1");
    EXPECT_EQ(Masked(r18.out), FormTop(Configure, "ABC", "01", "1", v) + HideRow(false) + TableEnd +
                           TextArea("Tax Policy", "Tax_Policy", "4", "") +
                           TextArea("Billing Policy", "Billing_Policy", "4", "") +
                           TextArea("Termination Policy", "Termination_Policy", "4", "") + SaveButton + DeleteButton +
                           FormEnd);

    dbs.Exec(dbs.BillingDb(), "drop table Rate_Schedule");
    dbs.Exec(dbs.BillingDb(), RateScheduleTable(21));
    dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule values (" + values18 + ", 'T', NULL, 'End')");
    CgiResult r21 = Show("clerk", "1");
    EXPECT_EQ(Masked(r21.out), FormTop(Review, "ABC", "01", "1", v) + SeePolicies + TableEnd +
                           "<b>Tax Policy</b>: T<P>\r\n<b>Termination Policy</b>: End<P>\r\n" + FormEnd);
}

TEST_F(RatePlanForm, MissingPlanGivesTheMessagePageOnly) {
    const std::string notFound = Header + Top +
                                 "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">No rate plan selected or rate does "
                                 "not exist</FONT></CENTER></p>\r\n" +
                                 BottomTemplate;
    StoreRichPlan();
    EXPECT_EQ(Show("boss", "7").out, notFound);
    EXPECT_EQ(Show("clerk", "2", "ABC", "02").out, notFound);
    // "%" and "_" are characters of the key, never a pattern.
    EXPECT_EQ(Show("boss", "2", "%25", "01").out, notFound);
    EXPECT_EQ(Show("boss", "2", "AB_", "0%25").out, notFound);
    // Without a chosen row no plan is shown, though plan 0 of some database
    // may exist.
    dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule (application, DocType, RateNum) values ('ABC', '01', 0)");
    EXPECT_EQ(site.Run("User=boss&ConfigOption=SHOWPLAN").out, notFound);
}

TEST_F(RatePlanForm, CodesAreEscapedInTheHiddenFields) {
    dbs.AddDocType("O'K", "A\"", "Quotes");
    dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule values ('O''K', 'A\"', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
                              "'x', 0, 0, 0, NULL, NULL, NULL, 0, 0, 0, 0)");
    CgiResult r = Show("boss", "0", "O%27K", "A%22");
    EXPECT_NE(r.out.find("<input type=hidden name=Appl value=\"O&#39;K\">\r\n"
                         "<input type=hidden name=DocType value=\"A&quot;\">\r\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(HeadRow("Application", "O&#39;K") + HeadRow("Database", "Quotes")), std::string::npos);
}

}  // namespace
