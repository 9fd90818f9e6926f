// The database selection page: the list of DocumentTypes rows and its form.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace vdtest;

namespace {

std::string TwoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

// The page's opening up to and including the SELECT line.
std::string Opening(int height) {
    return Header + Top +
           Crlf("<TABLE WIDTH=100% CELLPADDING=0 CELLSPACING=0 BORDER=0>\n"
                "<TR>\n"
                "<BR>\n"
                "<B><I><CENTER><FONT COLOR=\"#99000\" ID=databases>Databases</FONT></CENTER></I></B>\n"
                "<form action=/cgi/vdconfig.exe method=POST>\n"
                "<div align=\"center\"><center><p>\n"
                "<select name=\"Database\" aria-labelledby=databases SIZE=\"" +
                std::to_string(height) + "\">\n");
}

std::string Closing(const std::string& formUser) {
    return Crlf("</select> <br> <br>\n"
                "<input Type=SUBMIT Value=\"Select Database\" Name=ConfigOption></p>\n"
                "</center></div>\n"
                "<input type=hidden name=FormUser value=" +
                formUser +
                ">\n"
                "<input type=hidden name=APPLICATION value=>\n"
                "</form>\n") +
           BottomTemplate;
}

class DatabaseSelectionPage : public ::testing::Test {
protected:
    void SetUp() override {
        site.WriteTemplates();
        site.WriteIni(dbs.IniLine());
        dbs.Exec(dbs.ParamsDb(), "DELETE FROM DocumentTypes");
        dbs.AddUser("boss", "-1");
    }
    CgiResult Open(const std::string& user = "boss") const {
        return site.Run("User=" + user + "&ConfigOption=Database+Settings");
    }

    Site site;
    SiteDatabases dbs{site};
};

TEST_F(DatabaseSelectionPage, EmptyTableGivesAnEmptyListWithTheFormAroundIt) {
    CgiResult r = Open();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening(0) + Closing("boss"));
}

TEST_F(DatabaseSelectionPage, OneRowIsTheSelectedOption) {
    dbs.AddDocType("ABC", "01", "Deeds");
    CgiResult r = Open();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening(1) + "<option VALUE=\"ABC-01\", SELECTED>ABC-01 Deeds</option>\r\n" + Closing("boss"));
}

TEST_F(DatabaseSelectionPage, FortyRowsInDescriptionOrderInAListOfHeight25) {
    // Inserted in the reverse of their description order.
    for (int i = 0; i < 40; ++i) dbs.AddDocType("A" + TwoDigits(i), TwoDigits(i % 7), "Book " + TwoDigits(39 - i));
    std::string options;
    for (int i = 39; i >= 0; --i) {
        const std::string value = "A" + TwoDigits(i) + "-" + TwoDigits(i % 7);
        options += "<option VALUE=\"" + value + "\"" + (i == 39 ? ", SELECTED>" : ">") + value + " Book " +
                   TwoDigits(39 - i) + "</option>\r\n";
    }
    CgiResult r = Open();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening(25) + options + Closing("boss"));
}

TEST_F(DatabaseSelectionPage, CodesDescriptionsAndTheUserAreEscaped) {
    dbs.AddDocType("A\"&", "<1", "Deeds & <b>Maps</b>");
    const std::string user = "x><script>alert(1)</script> y=2";
    dbs.AddUser(user, "-1");
    CgiResult r = Open("x%3E%3Cscript%3Ealert(1)%3C%2Fscript%3E+y%3D2");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening(1) +
                         "<option VALUE=\"A&quot;&amp;-&lt;1\", SELECTED>A&quot;&amp;-&lt;1 Deeds &amp; "
                         "&lt;b&gt;Maps&lt;/b&gt;</option>\r\n" +
                         Closing("x&gt;&lt;script&gt;alert(1)&lt;/script&gt;&#32;y&#61;2"));
}

TEST_F(DatabaseSelectionPage, LogsEveryRowAndTheHiddenValues) {
    site.WriteIni(dbs.IniLine() + "Debug=TRUE\r\n");
    dbs.AddDocType("ABC", "01", "Deeds");
    dbs.AddDocType("XYZ", "02", "Abstracts");
    CgiResult r = Open();
    ASSERT_EQ(r.status, 0);
    const std::string log = site.Read("temp/vdconfig.log");
    size_t at = 0;
    for (const char* line : {"Opening DocumentTypes ", "Appl=XYZ DB=02 OptionValue=02 ",
                             "Appl=ABC DB=01 OptionValue=01 ", "pass along FormUser=boss and Application= ",
                             "end of html "}) {
        size_t found = log.find(std::string("\r\n") + line, at);
        EXPECT_NE(found, std::string::npos) << line << "\n" << log;
        if (found != std::string::npos) at = found;
    }
}

TEST_F(DatabaseSelectionPage, MissingTableAnswersWithTheDatabaseErrorAlone) {
    dbs.Exec(dbs.ParamsDb(), "DROP TABLE DocumentTypes");
    CgiResult r = Open();
    EXPECT_EQ(r.status, 0);
    // The database's own error, once, and nothing after it.
    EXPECT_EQ(r.out.rfind(Header + ErrTopTemplate + "<p align=\"center\">\r\n(", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("no such table: DocumentTypes"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Content-Type", 1), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("<select"), std::string::npos) << r.out;
}

TEST_F(DatabaseSelectionPage, MissingBottomTemplateIsFollowedByTheErrorPage) {
    dbs.AddDocType("ABC", "01", "Deeds");
    std::remove(site.Path("html/tblbot.htm").c_str());
    CgiResult r = Open();
    EXPECT_EQ(r.status, 0);
    const std::string list = Opening(1) + "<option VALUE=\"ABC-01\", SELECTED>ABC-01 Deeds</option>\r\n";
    const std::string closing = Closing("boss");
    // The error page follows in the same body: one header per response.
    EXPECT_EQ(r.out, list + closing.substr(0, closing.size() - std::string(BottomTemplate).size()) +
                         ErrTopTemplate + "<p align=\"center\">\r\n(53) Error: File not found</p>\r\n" +
                         ErrBottomTemplate);
}

}  // namespace
