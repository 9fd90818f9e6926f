// The front end run as a CGI process: refusal, error, fallback and debug log.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/InProcess.h"
#include "support/PageText.h"

#include "cgi/Request.h"

#include <gtest/gtest.h>
#include <regex>

using namespace vdtest;

namespace {

std::string ErrorPage(const std::string& line) {
    return Header + ErrTopTemplate + "<p align=\"center\">\r\n" + line + "</p>\r\n" + ErrBottomTemplate;
}

// The log without its times.
std::string LogLines(const std::string& log) {
    return std::regex_replace(log, std::regex(" \\d\\d:\\d\\d:\\d\\d\r\n"), "\n");
}

bool Supervisor(const std::string& user) { return user == "boss"; }
}  // namespace

TEST(FrontEnd, EveryoneButASupervisorIsRefused) {
    Site site;
    site.WriteTemplates();
    SiteDatabases db(site);
    db.AddUser("clerk", "0");
    site.WriteIni(db.IniLine());
    for (const char* option : {"", "SAVEINI", "saveini", "Database+Settings", "Select+Database", "nonsense"}) {
        CgiResult r = site.Run(std::string("User=clerk&ConfigOption=") + option);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, Refusal) << option;
    }
}

TEST(FrontEnd, SupervisorWithoutOptionGetsTheMainMenu) {
    Site site;
    site.WriteTemplates();
    site.WriteIni();
    auto r = RunMain(site.Root(), {{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", "User=boss"}}, "", Supervisor);
    EXPECT_EQ(r.out, Menu);
    // Any unknown option, and a known one followed by a blank, also shows the menu.
    r = RunMain(site.Root(), {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "37"}},
                "User=boss&ConfigOption=SAVEINI+&x=1234", Supervisor);
    EXPECT_EQ(r.out, Menu);
}

TEST(FrontEnd, MenuWithEmptyAddressesAndMissingTopTemplate) {
    Site site;
    site.WriteTemplates();
    site.Write("vexweb.ini", "[Vexdoc/Web]\nHTMLPath=" + site.HtmlPath() + "\n");
    site.Write("html/tbltop.htm", "");
    std::remove(site.Path("html/tbltop.htm").c_str());
    auto r = RunMain(site.Root(), {{"REQUEST_METHOD", "GET"}, {"HTTP_COOKIE", "User=boss"}}, "", Supervisor);
    EXPECT_NE(r.out.find(Header + "&nbsp;<BR>\r\n<FORM action=\"vdconfig.exe\" method=\"POST\">"), std::string::npos);
    EXPECT_NE(r.out.find("<A HREF=\"vdhelpconfig.html\">"), std::string::npos);
}

TEST(FrontEnd, FieldsMergeFromEnvironmentBodyQueryAndCookies) {
    Site site;
    site.WriteTemplates();
    site.WriteIni();
    RunMain(site.Root(),
            {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "13"}, {"QUERY_STRING", "a=2&b=q"},
             {"HTTP_COOKIE", "a=3; c=%41"}, {"COOKIE", "ignored=1"}, {"A", "0"}},
            "a=1&b=x+y&zzzz");
    EXPECT_EQ(vd::GetField("a"), "0, 1, 2, 3");
    EXPECT_EQ(vd::GetField("B"), "x y, q");
    EXPECT_EQ(vd::GetField("c"), "A");
    EXPECT_EQ(vd::GetField("ignored"), "");
    EXPECT_EQ(vd::GetField("zzzz"), "");  // beyond CONTENT_LENGTH
    EXPECT_EQ(vd::GetField("REQUEST_METHOD"), "POST");

    RunMain(site.Root(), {{"REQUEST_METHOD", "GET"}, {"COOKIE", "User=ann"}});
    EXPECT_EQ(vd::GetField("user"), "ann");
}

TEST(FrontEnd, OutsideAWebServerNothingIsWritten) {
    Site site;
    site.WriteIni();
    CgiResult r = site.RunEnv({{"PATH", "/usr/bin:/bin"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "This program is a CGI script that is intended to be run by a web server.\n");
}

TEST(FrontEnd, BadContentLengthGivesTheErrorPage) {
    Site site;
    site.WriteTemplates();
    site.WriteIni();
    CgiResult r = site.Run("", "", {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "-5"}});
    EXPECT_EQ(r.out, ErrorPage("(5) Error: Invalid procedure call or argument"));
    r = site.Run("", "x=1", {{"CONTENT_LENGTH", "16777217"}});
    EXPECT_EQ(r.out, ErrorPage("(6) Error: Overflow"));
    EXPECT_FALSE(site.Exists("Request.Bak"));
}

TEST(FrontEnd, MissingErrorTemplateGivesTheFallbackPageAndSavesTheRequest) {
    Site site;
    site.WriteTemplates();
    site.WriteIni();
    std::remove(site.Path("html/errtop.htm").c_str());
    CgiResult r = site.Run("User=a+b&x=%3C1%3E", "", {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "-1"}});
    // The error page's header, then the fallback page without a second one.
    EXPECT_EQ(r.out, Header +
                         "<HTML>\r\n\r\n"
                         "<Head><Title> vdconfig - MESSAGE #53 </Title></Head>\r\n\r\n"
                         "<Body>\r\n\r\n"
                         "<H1>A Message from the Server</H1>\r\n\r\n"
                         "The server had trouble processing your request.\r\n"
                         " Back up and try again.\r\n\r\n"
                         "<BlockQuote><BlockQuote><XMP>\r\n\r\n"
                         "File not found (53).\r\n\r\n"
                         "</XMP></BlockQuote></BlockQuote>\r\n\r\n"
                         "</BODY></HTML>\r\n\r\n");
    std::string bak = site.Read("Request.Bak");
    EXPECT_NE(bak.find("REQUEST_METHOD=POST\r\n"), std::string::npos);
    // The intake stopped at the body: the environment, the query string and
    // the cookies, read before it, reached the table.
    EXPECT_NE(bak.find("QUERY_STRING=User%3Da+b%26x%3D%3C1%3E\r\n"), std::string::npos) << bak;
    EXPECT_NE(bak.find("\r\nUser=a+b\r\nx=%3C1%3E\r\n"), std::string::npos) << bak;
}

TEST(FrontEnd, DebugLogTracesTheRun) {
    Site site;
    site.WriteTemplates();
    site.WriteIni("Debug=true\r\n");
    site.Write("temp/vdconfig.log", "old run\r\n");
    // No user: the supervisor test opens no database and the run stays short.
    CgiResult r = site.Run("x=%zz&ConfigOption=Rate+Planz");
    EXPECT_EQ(r.out, Refusal);
    std::string log = LogLines(site.Read("temp/vdconfig.log"));
    EXPECT_TRUE(std::regex_search(log, std::regex("^vdconfig started at \\d+/\\d+/\\d{4} \\d+:\\d\\d:\\d\\d [AP]M\n")))
        << log;
    const std::string expectedTail =
        "call loadrequest\n"
        "Assign Urldecode to Textin=x=%zz&ConfigOption=Rate Planz\n"  // the QUERY_STRING variable is a field too
        "Assign Urldecode to Textin=%zz\n"
        "ParameterPath for user \n"
        "ConfigOption=Rate Planz\n"
        "open tbltop " + site.HtmlPath() + "tbltop.htm\n"
        "Send: <HTML><BODY>\n"
        "htmlleft=\n"
        "htmlright=\n"
        "Send: <IMG SRC=\"logo.gif\">\n"
        "WebLinkMsg=\n"
        "open tblbot\n"
        "done!\n";
    EXPECT_EQ(log.substr(log.find('\n') + 1), expectedTail);
}

TEST(FrontEnd, DebugSwallowsFailuresButLogsThem) {
    Site site;
    site.WriteTemplates();
    site.WriteIni("Debug=TRUE\r\n");
    CgiResult r = site.Run("", "", {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "-3"}});
    EXPECT_EQ(r.out, Refusal);  // the failed intake is skipped; nobody is a supervisor
    std::string log = LogLines(site.Read("temp/vdconfig.log"));
    EXPECT_NE(log.find("call loadrequest\n(5) Invalid procedure call or argument\n"), std::string::npos) << log;
}

TEST(FrontEnd, UnwritableDebugLogNeverBreaksThePage) {
    Site site;
    site.WriteTemplates();
    site.Write("vexweb.ini", "[Vexdoc/Web]\r\nWebPath=/web/\r\nHTMLPath=" + site.HtmlPath() +
                                 "\r\nTempPath=/nonexistent/folder/\r\nDebug=TRUE\r\n");
    CgiResult r = site.Run("x=1");
    EXPECT_EQ(r.out, Refusal);
    EXPECT_NE(r.err.find("cannot write debug log /nonexistent/folder/vdconfig.log: done!"), std::string::npos);
}

TEST(FrontEnd, NoDebugLogWhenDebugIsOff) {
    Site site;
    site.WriteTemplates();
    site.WriteIni("Debug=1\r\n");
    site.Write("temp/vdconfig.log", "kept\r\n");
    site.Run("x=1");
    EXPECT_EQ(site.Read("temp/vdconfig.log"), "kept\r\n");
}

TEST(FrontEnd, SelectDatabaseWithoutDatabaseGivesTheNotice) {
    Site site;
    site.WriteTemplates();
    site.WriteIni("Debug=TRUE\r\n");
    auto r = RunMain(site.Root(), {{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", "User=boss&ConfigOption=Select+Database"}},
                     "", Supervisor);
    EXPECT_EQ(r.out, Header + Top + "<p align=\"center\">\r\nNo Database Selected\r\n" + BottomTemplate);
    EXPECT_EQ(site.Read("temp/vdconfig.log").find("done!"), std::string::npos);
}

TEST(FrontEnd, AnyLibraryFailureEndsInTheErrorPageAndALine) {
    Site site;
    site.WriteTemplates();
    site.WriteIni();
    testing::internal::CaptureStderr();
    auto r = RunMain(site.Root(), {{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", "User=boss"}}, "",
                     [](const std::string&) -> bool { throw std::logic_error("no verdict"); });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(r.out.find("(51) Error: Internal error: no verdict</p>"), std::string::npos) << r.out;
    EXPECT_EQ(err, "vdconfig: error (51) Internal error: no verdict; User=boss\n");
}
