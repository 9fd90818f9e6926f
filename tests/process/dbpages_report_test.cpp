// The configuration report of one database, reached with SELECT DATABASE.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <string>

using namespace vdtest;

namespace {

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// The heading and the table of the database's own section, with the
// values of ShowCheck, HeaderRepeat and AllowMultiSubdivisionSearch.
std::string DatabaseTable(const std::string& showCheck, const std::string& headerRepeat,
                          const std::string& subdivision) {
    return Crlf(R"(<FONT SIZE=+1>Configuration Settings for Application ABC  Database 01</FONT>
<TABLE Border=1><TR><TD><B>Option</B></TD><TD><B>Value</B></TD><TD><B>Description</B></TD></TR></B>
<TR>
<TD><FONT COLOR=#990000>ShowCheck</FONT></TD>
<TD>)" + showCheck + R"(</TD>
<TD>TRUE places a check boxes for selecting docs on Hit List Screen</TD></TR>
<TR>
<TD><FONT COLOR=#990000>ShowCombine</FONT></TD>
<TD></TD>
<TD>TRUE places the combine/view button on Hit List Screen</TD></TR>
<TR>
<TD><FONT COLOR=#990000>HeaderRepeat</FONT></TD>
<TD>)" + headerRepeat + R"(</TD>
<TD>If set, then hit list headers are repeated every n rows</TD></TR>
<TR>
<TD><FONT COLOR=#990000>DocInfoInNewWindow</FONT></TD>
<TD></TD>
<TD>If set, then if the User is allowed to index and ProhibitIndex=FALSE, the Document Information is shown in a new browser window</TD></TR>
<TR>
<TD><FONT COLOR=#990000>ProhibitUpdate</FONT></TD>
<TD></TD>
<TD>If TRUE, then database updates are prohibited for all users</TD></TR>
<TR>
<TD><FONT COLOR=#990000>ProhibitIndex</FONT></TD>
<TD></TD>
<TD>If TRUE, then database indexing are prohibited for all users</TD></TR>
<TR>
<TD><FONT COLOR=#990000>ShowReferences</FONT></TD>
<TD></TD>
<TD>If TRUE, then References Lookups are enabled with a View References checkbox appearing at top of Search Criteria page</TD></TR>
<TR>
<TD><FONT COLOR=#990000>ReferenceBoxChecked</FONT></TD>
<TD></TD>
<TD>If TRUE, then the View References box on Search Criteria page is checked by default</TD></TR>
<TR>
<TD><FONT COLOR=#990000>AllowHitListAppend</FONT></TD>
<TD></TD>
<TD>If TRUE, then users are allowed to run a second search and append results to an existing hit list</TD></TR>
<TR>
<TD><FONT COLOR=#990000>AllowMultiTextSearch</FONT></TD>
<TD></TD>
<TD>If TRUE, then Multi-Entry Text fields are expanded to allow the search of multiple values</TD></TR>
<TR>
<TD><FONT COLOR=#990000>ShowSmartNames</FONT></TD>
<TD></TD>
<TD>If TRUE, then the SmartNames feature is enabled and a SmartNames button appears on the Search Criteria page</TD></TR>
<TR>
<TD><FONT COLOR=#990000>AllowMultiTownshipSearch</FONT></TD>
<TD></TD>
<TD>If TRUE, then the Township-Range Search Criteria Box is expanded to allow the searching of multiple values</TD></TR>
<TR>
<TD><FONT COLOR=#990000>AllowMultiSubdivisionSearch</FONT></TD>
<TD>)" + subdivision + R"(</TD>
<TD>If TRUE, then the Subdivision Search Criteria Box is expanded to allow the searching of multiple values</TD></TR>
</TABLE>
)");
}

const std::string DatabaseSection =
    "[ABCVDW01]\r\nShowCheck=TRUE\r\nHeaderRepeat=<b>20</b>\r\nAllowMultiSubdivisionSearch=false\r\n";

class ConfigurationReport : public ::testing::Test {
protected:
    void SetUp() override {
        site.WriteTemplates();
        dbs.AddUser("boss", "-1");
    }
    void WriteSections(const std::string& sections) const { site.WriteIni(dbs.IniLine(), sections); }
    CgiResult Select(const std::string& database) const {
        return site.Run("User=boss&ConfigOption=Select+Database&Database=" + database);
    }

    Site site;
    SiteDatabases dbs{site};
};

TEST_F(ConfigurationReport, FullReportWithStarterSetsAndFalloutReports) {
    // No SystemEnabled key: the starter part is on. Set 2 lacks most keys,
    // set 3 is empty, so set 4 is never shown; report 2 has no description
    // and report 4 follows a gap.
    WriteSections(DatabaseSection +
                  "[ABCVDW01_Starter]\r\n"
                  "OrderNumberField=OrderNo\r\n"
                  "StatusField=<Status>\r\n"
                  "BasketName=Starters\r\n"
                  "CriteriaSet1=Open orders\r\n"
                  "CriteriaField1=OrderNo\r\n"
                  "DefaultSearch1=EXACT\r\n"
                  "SpecialClauseField1=Status\r\n"
                  "SpecialClauseValue1=A&B\r\n"
                  "SpecialClauseType1=BEGIN\r\n"
                  "CriteriaSet2=Names\r\n"
                  "DefaultSearch2=SOUNDEX\r\n"
                  "CriteriaSet3=\r\n"
                  "CriteriaField3=Ignored\r\n"
                  "CriteriaSet4=Late set\r\n"
                  "FalloutReport1=daily.rpt\r\n"
                  "FalloutReportDescription1=Daily <fallout>\r\n"
                  "FalloutReport2=weekly.rpt\r\n"
                  "FalloutReport4=late.rpt\r\n"
                  "FalloutReportDescription4=Never shown\r\n");
    CgiResult r = Select("ABC-01");
    EXPECT_EQ(r.status, 0);
    const std::string expected = Header + Top + DatabaseTable("TRUE", "&lt;b&gt;20&lt;/b&gt;", "false") + Crlf(R"(<P><FONT SIZE=+1>Starter/Fallout Settings for Application ABC  Database 01</FONT>
<TABLE Border=1><TR><TD><B>Option</B></TD><TD><B>Value</B></TD><TD><B>Description</B></TD></TR></B>
<TR>
<TD><FONT COLOR=#990000>OrderNumberField</FONT></TD>
<TD>OrderNo</TD>
<TD>Defines the database field which contains the Order Number</TD></TR>
<TR>
<TD><FONT COLOR=#990000>OrderDescriptionField</FONT></TD>
<TD></TD>
<TD>Defines the database field which contains the Order Description</TD></TR>
<TR>
<TD><FONT COLOR=#990000>StatusField</FONT></TD>
<TD>&lt;Status&gt;</TD>
<TD>Defines the database field containing the status of the Order (i.e. Open or Closed)</TD></TR>
<TR>
<TD><FONT COLOR=#990000>StarterOpenValue</FONT></TD>
<TD></TD>
<TD>Defines the value of the Order Status field for open orders</TD></TR>
<TR>
<TD><FONT COLOR=#990000>StarterCloseValue</FONT></TD>
<TD></TD>
<TD>Defines the value of the Order Status field for closed orders</TD></TR>
<TR>
<TD><FONT COLOR=#990000>FallOutDateField</FONT></TD>
<TD></TD>
<TD>Defines the database field which contains the last date of a date down or fallout search for this order</TD></TR>
<TR>
<TD><FONT COLOR=#990000>OrderOpenDateField</FONT></TD>
<TD></TD>
<TD>Defines the database field which contains the date the Order was opened</TD></TR>
<TR>
<TD><FONT COLOR=#990000>OrderCloseDateField</FONT></TD>
<TD></TD>
<TD>Defines the database field which contains the date the Order was closed</TD></TR>
<TR>
<TD><FONT COLOR=#990000>LastFalloutReportDate</FONT></TD>
<TD></TD>
<TD>Contains the last date the Fallout Report was processed</TD></TR>
<TR>
<TD><FONT COLOR=#990000>SaveResultsBoxChecked</FONT></TD>
<TD></TD>
<TD>If TRUE, then the Save Results box is checked by default</TD></TR>
<TR>
<TD><FONT COLOR=#990000>SaveStarterBoxChecked</FONT></TD>
<TD></TD>
<TD>If TRUE, then the Save Starter box is checked by default</TD></TR>
<TR>
<TD><FONT COLOR=#990000>DocPrefix</FONT></TD>
<TD></TD>
<TD>Defines the document prefix letter to use when creating a starter document</TD></TR>
<TR>
<TD><FONT COLOR=#990000>BasketName</FONT></TD>
<TD>Starters</TD>
<TD>Defines the Basket Name to use when creating a starter document</TD></TR>
</TABLE>
<P><FONT SIZE=+1>Starter/Fallout Criteria Sets for Application ABC  Database 01</FONT>
<TABLE Border=1><TR><TD><B>Set #</B>
<TD><B>CriteriaSet</B></TD><TD><B>CriteriaField</B></TD><TD><B>DefaultSearch</B></TD><TD><B>SpecialClauseField</B></TD><TD><B>SpecialClauseValue</B></TD><TD><B>SpecialClauseType</B></TD></TR><TR><TD><FONT COLOR=#990000>1</FONT></TD>
<TD>Open orders</TD>
<TD>OrderNo</TD>
<TD>EXACT</TD>
<TD>Status</TD>
<TD>A&amp;B</TD>
<TD>BEGIN</TD>
</TR>
<TR><TD><FONT COLOR=#990000>2</FONT></TD>
<TD>Names</TD>
<TD></TD>
<TD>SOUNDEX</TD>
<TD></TD>
<TD></TD>
<TD></TD>
</TR>
</TABLE>
<br>* CriteriaSet = Describes the name of the Fallout/Starter Criteria Set
<br>* CriteriaField = Defines the database field to search for the Criteria Set
<br>* DefaultSearch = Defines the type of search to perform for the Criteria Set. Options are BEGIN, EXACT, CONTAINS, SOUNDEX, TITLESUBDIVISION, TITLETOWNSHIP
<br>* SpecialClauseField = Tells the system to limits the search based on contents of this field
<br>* SpecialClauseValue = Defines the value of the SpecialClauseField to limit the search to
<br>* SpecialClauseType = Defines the type of search for the SpecialClauseField
<P><FONT SIZE=+1>Starter/Fallout Reports for Application ABC  Database 01</FONT>
<TABLE Border=1><TR><TD><B>Fallout Report</B></TD><TD><B>Fallout Report Description</B></TD></TR>
<TD>daily.rpt</TD>
<TD>Daily &lt;fallout&gt;</TD></TR>
<TD>weekly.rpt</TD>
<TD></TD></TR>
</TABLE>
</body></html>
)");
    EXPECT_EQ(r.out, expected);
}

TEST_F(ConfigurationReport, StarterSwitchedOffByFalseInAnyCase) {
    const std::string off = Header + Top + DatabaseTable("TRUE", "&lt;b&gt;20&lt;/b&gt;", "false") +
                            "<P>Starter/Fallout System not configured\r\n</body></html>\r\n";
    for (const char* value : {"false", "FALSE", "FaLsE"}) {
        WriteSections(DatabaseSection + "[ABCVDW01_Starter]\r\nSystemEnabled=" + value +
                      "\r\nOrderNumberField=OrderNo\r\nCriteriaSet1=Open\r\n");
        CgiResult r = Select("ABC-01");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, off) << value;
    }
    for (const char* value : {"TRUE", "no", "0", "falsely", ""}) {
        WriteSections(DatabaseSection + "[ABCVDW01_Starter]\r\nSystemEnabled=" + value + "\r\n");
        CgiResult r = Select("ABC-01");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.find("not configured"), std::string::npos) << value;
        EXPECT_NE(r.out.find("Starter/Fallout Settings for Application ABC  Database 01"), std::string::npos)
            << value;
    }
}

TEST_F(ConfigurationReport, MissingSectionsShowEmptyCellsAndEmptyLists) {
    WriteSections("[OTHVDW01]\r\nShowCheck=TRUE\r\n");
    CgiResult r = Select("ABC-01");
    EXPECT_EQ(r.status, 0);
    const std::string page = r.out;
    ASSERT_EQ(page.substr(0, Header.size() + Top.size()), Header + Top);
    // Every value cell of both option tables is empty.
    EXPECT_EQ(page.substr(Header.size() + Top.size()).find(DatabaseTable("", "", "")), 0u) << page;
    EXPECT_EQ(Count(page, "<TD></TD>\r\n"), 26u) << page;
    EXPECT_NE(page.find("<TD><B>SpecialClauseType</B></TD></TR></TABLE>\r\n<br>* CriteriaSet = "), std::string::npos)
        << page;
    EXPECT_NE(page.find("<TD><B>Fallout Report Description</B></TD></TR>\r\n</TABLE>\r\n</body></html>\r\n"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("<HR>"), std::string::npos) << "no bottom template";
}

TEST_F(ConfigurationReport, DatabaseFieldGivesFirstThreeAndLastTwoCharacters) {
    WriteSections("[ABCVDW01]\r\nShowCheck=yes\r\n");
    CgiResult r = Select("ABC-somewhere-01");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Configuration Settings for Application ABC  Database 01</FONT>"), std::string::npos);
    EXPECT_NE(r.out.find("<TD>yes</TD>"), std::string::npos) << r.out;
}

TEST_F(ConfigurationReport, CodesFromTheRequestAreEscaped) {
    // The codes are cut from the request field and shown in the headings.
    WriteSections("");
    CgiResult r = Select("%3Cb%3E-%22%3E");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Configuration Settings for Application &lt;b&gt;  Database &quot;&gt;</FONT>"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("<b>"), std::string::npos) << r.out;
}

TEST_F(ConfigurationReport, NoDatabaseSelectedNotice) {
    WriteSections(DatabaseSection);
    CgiResult r = Select("");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Header + Top + "<p align=\"center\">\r\nNo Database Selected\r\n" + BottomTemplate);
}

}  // namespace
