// The vexweb.ini settings form, shown by the real program for a supervisor
// of a site with real parameters database.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/PageText.h"

#include "settings/ContentDigest.h"

#include <gtest/gtest.h>

#include <string>

using namespace vdtest;

namespace {

const char* const FormQuery = "User=boss&ConfigOption=Server+and+Browser+File+Locations";

std::string ReplaceAll(std::string text, const std::string& find, const std::string& with) {
    for (size_t at = text.find(find); at != std::string::npos; at = text.find(find, at + with.size()))
        text.replace(at, find.size(), with);
    return text;
}

// A site whose supervisor is "boss", with the drives A, CD1 and Z9; Z9 has
// no entry in [Drives].
struct FormSite {
    Site site;
    SiteDatabases db{site};

    FormSite() {
        site.WriteTemplates();
        db.AddUser("boss", "-1");
        db.Exec(db.ParamsDb(),
                "INSERT INTO Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) VALUES ('A', 'CD', '/a', -1);\n"
                "INSERT INTO Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) VALUES ('CD1', 'CD', '/c', 0);\n"
                "INSERT INTO Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) VALUES ('Z9', 'HD', '/z', 0);\n");
    }

    void WriteIni(const std::string& switches) const {
        site.WriteIni(db.IniLine() +
                          "BasketPath=/srv/baskets/\r\n"
                          "BasketAlias=/alias/\r\n"
                          "EXEPath=/srv/exe/\r\n"
                          "BillingDBPath=/srv/billing/\r\n"
                          "ReportPath=/srv/reports/\r\n"
                          "WebSecurePath=https://secure/cgi/\r\n"
                          "WebCDPath=/cd/\r\n"
                          "WebBasketPath=/baskets/\r\n"
                          "WebTempPath=/tmpweb/\r\n"
                          "WebReportPath=/reports/\r\n"
                          "HomePage=home.htm\r\n"
                          "SMTPServer=mail.example.com\r\n"
                          "FromEmail=office@example.com\r\n" +
                          switches,
                      "\r\n[Drives]\r\nA=http://cd/a/\r\nCD1=http://cd/cd1/\r\n");
    }
};

// The whole page; the {..} parts differ between the cases.
const char* const FormTemplate = R"(Content-Type: text/html

<HTML><BODY>
<IMG SRC="logo.gif">
&nbsp;<BR>
<FORM action="/cgi/vdconfig.exe" method="POST">
<B><I><FONT COLOR="#990000"><FONT SIZE=+2>vexweb.ini settings</FONT></I></B>
&nbsp;&nbsp;&nbsp;&nbsp;<A HREF="/web/vdhelpconfig.html">click here for help</A><P>
<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH="100%" >
<TR VALIGN=TOP>
<TD HEIGHT=35 ALIGN=Left NOWRAP><FONT COLOR=#990000><FONT SIZE=+1>&nbsp;Server Side Folder Settings&nbsp;</TD></FONT>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=HTMLPath>Folder where dynamic web pages are created</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=HTMLPath ID=HTMLPath SIZE=75 MAXLENGTH=255 VALUE="{ROOT}/html/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=ParameterPath>Folder where Vexdoc is located</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=ParameterPath ID=ParameterPath SIZE=75 MAXLENGTH=255 VALUE="{PARAMS}">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=BasketPath>Folder where baskets are located</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=BasketPath ID=BasketPath SIZE=75 MAXLENGTH=255 VALUE="/srv/baskets/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=BasketAlias>Alias folder where baskets are located</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=BasketAlias ID=BasketAlias SIZE=75 MAXLENGTH=255 VALUE="/alias/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=TempPath>Folder where temporary files are created</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=TempPath ID=TempPath SIZE=75 MAXLENGTH=255 VALUE="{ROOT}/temp/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=EXEPath>Folder where Webvexdoc executables exist</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=EXEPath ID=EXEPath SIZE=75 MAXLENGTH=255 VALUE="/srv/exe/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=BillingDBPath>Folder where billing database exists</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=BillingDBPath ID=BillingDBPath SIZE=75 MAXLENGTH=255 VALUE="/srv/billing/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=ReportPath>Folder where reports are located</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=ReportPath ID=ReportPath SIZE=75 MAXLENGTH=255 VALUE="{REPORTPATH}">
</TR><TR VALIGN=TOP>
<TD HEIGHT=35 ALIGN=Left NOWRAP><FONT COLOR=#990000><FONT SIZE=+1>&nbsp;Browser Side Folder Settings&nbsp;</TD></FONT>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=WebPath>Internet Address to the Webvexdoc server</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=WebPath ID=WebPath SIZE=75 MAXLENGTH=255 VALUE="/web/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=WebSecurePath>Secure Internet Address to the Webvexdoc server</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=WebSecurePath ID=WebSecurePath SIZE=75 MAXLENGTH=255 VALUE="https://secure/cgi/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=WebScriptsPath>Internet Address to where Webvexdoc executables exist</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=WebScriptsPath ID=WebScriptsPath SIZE=75 MAXLENGTH=255 VALUE="/cgi/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=WebCDPath>Internet Address where archived files are located</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=WebCDPath ID=WebCDPath SIZE=75 MAXLENGTH=255 VALUE="/cd/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=WebBasketPath>Internet Address where baskets are located</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=WebBasketPath ID=WebBasketPath SIZE=75 MAXLENGTH=255 VALUE="/baskets/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=WebTempPath>Internet Address where temporary files are created</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=WebTempPath ID=WebTempPath SIZE=75 MAXLENGTH=255 VALUE="/tmpweb/">
</TD></TR>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=WebReportPath>Internet Address where reports are located</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=WebReportPath ID=WebReportPath SIZE=75 MAXLENGTH=255 VALUE="{WEBREPORTPATH}">
</TD></TR>
<TR VALIGN=TOP>
<TD HEIGHT=35 ALIGN=Left NOWRAP><FONT COLOR=#990000><FONT SIZE=+1>&nbsp;Other Settings&nbsp;</TD></FONT>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=Homepage>Default homepage for Webvexdoc</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=Homepage ID=Homepage SIZE=75 MAXLENGTH=255 VALUE="home.htm">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=SMTPServer>IP Address or Host name of SMTP (Outbound) Server</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=SMTPServer ID=SMTPServer SIZE=75 MAXLENGTH=255 VALUE="mail.example.com">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=FromEmail>Return address to use on outbound SMTP mail</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=FromEmail ID=FromEmail SIZE=75 MAXLENGTH=255 VALUE="office@example.com">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=ReportsAllowed>Enable Crystal Reporting</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=checkbox {REPORTS} NAME=ReportsAllowed ID=ReportsAllowed>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=OCRAllowed>Enable OCR of images</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=checkbox checked NAME=OCRAllowed ID=OCRAllowed>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=OpticalVexRetry>Enable retry on opening Optical.vex file</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=checkbox  NAME=OpticalVexRetry ID=OpticalVexRetry>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=ReverseQuarters>Enable Reverse Quarters for Township-Range-Section</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=checkbox checked NAME=ReverseQuarters ID=ReverseQuarters>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=Debug>Enable logging of detail debug statements</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=checkbox {DEBUG} NAME=Debug ID=Debug>
</TR><TR VALIGN=TOP>
<TD HEIGHT=35 ALIGN=Left NOWRAP><FONT COLOR=#990000><FONT SIZE=+1>&nbsp;Browser Side Drive Settings&nbsp;</TD></FONT>
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=drive-1>A</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=A ID=drive-1 SIZE=75 MAXLENGTH=255 VALUE="http://cd/a/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=drive-2>CD1</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=CD1 ID=drive-2 SIZE=75 MAXLENGTH=255 VALUE="http://cd/cd1/">
</TR><TR VALIGN=TOP>
<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=drive-3>Z9</label>&nbsp;</TD>
<TD WIDTH=100%><INPUT TYPE=Text NAME=Z9 ID=drive-3 SIZE=75 MAXLENGTH=255 VALUE="">
</TR></TABLE><P>
<INPUT TYPE="SUBMIT" NAME="DataAction" VALUE="SAVE">
<input type=hidden name=ConfigOption value="SAVEINI">
<input type=hidden name=IniVersion value="{VERSION}">
</FORM>
</BODY></HTML>
)";

std::string ExpectedForm(const FormSite& s, bool reports, bool debug) {
    std::string page = Crlf(FormTemplate);
    page = ReplaceAll(page, "{ROOT}", s.site.Root());
    page = ReplaceAll(page, "{PARAMS}", s.db.ParameterPath());
    // With reports off the two report settings are not loaded and show empty.
    page = ReplaceAll(page, "{REPORTPATH}", reports ? "/srv/reports/" : "");
    page = ReplaceAll(page, "{WEBREPORTPATH}", reports ? "/reports/" : "");
    page = ReplaceAll(page, "{REPORTS}", reports ? "checked" : "");
    page = ReplaceAll(page, "{DEBUG}", debug ? "checked" : "");
    // The version of the file the form was drawn from.
    page = ReplaceAll(page, "{VERSION}", vd::ContentDigest(s.site.Read("vexweb.ini")));
    return page;
}

}  // namespace

TEST(SettingsForm, WholePageWithReportsOn) {
    FormSite s;
    s.WriteIni("ReportsAllowed=TRUE\r\nOCRAllowed=true\r\nOpticalVexRetry=FALSE\r\nReverseQuarters=TRUE\r\n");
    CgiResult r = s.site.Run(FormQuery);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ExpectedForm(s, true, false));
    EXPECT_EQ(r.err, "");
}

TEST(SettingsForm, WholePageWithReportsOffAndDebugOn) {
    FormSite s;
    s.WriteIni("ReportsAllowed=false\r\nOCRAllowed=TRUE\r\nReverseQuarters=True\r\nDebug=TRUE\r\n");
    CgiResult r = s.site.Run(FormQuery);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ExpectedForm(s, false, true));

    // The debug line before the last switch and one line per drive.
    std::string log = s.site.Read("temp/vdconfig.log");
    size_t debug = log.find("debug=True ");
    size_t a = log.find("Reading A tag in vexweb.ini ");
    size_t z9 = log.find("Reading Z9 tag in vexweb.ini ");
    size_t done = log.find("html done! ");
    ASSERT_NE(debug, std::string::npos) << log;
    ASSERT_NE(a, std::string::npos) << log;
    ASSERT_NE(z9, std::string::npos) << log;
    ASSERT_NE(done, std::string::npos) << log;
    EXPECT_LT(debug, a);
    EXPECT_LT(a, z9);
    EXPECT_LT(z9, done);
}

TEST(SettingsForm, ValuesAndDriveNamesAreEscaped) {
    FormSite s;
    s.db.Exec(s.db.ParamsDb(), "DELETE FROM Drives;\n"
                               "INSERT INTO Drives (Drive, DriveType) VALUES ('Net <1> & \"x\"', 'HD');\n");
    const std::string longMail(300, 'm');
    s.site.WriteIni(s.db.IniLine() + "HomePage=a\"b<c>&d'e\r\nSMTPServer=" + longMail + "\r\n",
                    "[Drives]\r\nNet <1> & \"x\"=http://h/?a=1&b=\"2\"\r\n");
    CgiResult r = s.site.Run(FormQuery);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("NAME=Homepage ID=Homepage SIZE=75 MAXLENGTH=255 VALUE=\"a&quot;b&lt;c&gt;&amp;d&#39;e\">\r\n"),
              std::string::npos)
        << r.out;
    // The mail settings are read with a 255-character buffer: 254 characters show.
    EXPECT_NE(r.out.find("NAME=SMTPServer ID=SMTPServer SIZE=75 MAXLENGTH=255 VALUE=\"" + std::string(254, 'm') + "\">\r\n"),
              std::string::npos);
    // The drive as label (text) and as the unquoted input name.
    EXPECT_NE(r.out.find("</TR><TR VALIGN=TOP>\r\n"
                         "<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=drive-1>Net &lt;1&gt; &amp; &quot;x&quot;"
                         "</label>&nbsp;</TD>\r\n"
                         "<TD WIDTH=100%><INPUT TYPE=Text NAME=Net&#32;&lt;1&gt;&#32;&amp;&#32;&quot;x&quot; "
                         "ID=drive-1 SIZE=75 MAXLENGTH=255 VALUE=\"http://h/?a=1&amp;b=&quot;2&quot;\">\r\n"
                         "</TR></TABLE><P>\r\n"),
              std::string::npos)
        << r.out;
}

TEST(SettingsForm, EmptyDrivesTableEndsTheTableAfterItsHeader) {
    FormSite s;
    s.db.Exec(s.db.ParamsDb(), "DELETE FROM Drives;\n");
    s.WriteIni("");
    CgiResult r = s.site.Run(FormQuery);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("&nbsp;Browser Side Drive Settings&nbsp;</TD></FONT>\r\n</TR></TABLE><P>\r\n"
                         "<INPUT TYPE=\"SUBMIT\" NAME=\"DataAction\" VALUE=\"SAVE\">\r\n"),
              std::string::npos)
        << r.out;
}

TEST(SettingsForm, UnreadableDrivesTableEndsThePageWithTheDatabaseError) {
    FormSite s;
    s.WriteIni("");
    s.db.Exec(s.db.ParamsDb(), "DROP TABLE Drives;\n");
    CgiResult r = s.site.Run(FormQuery);
    EXPECT_EQ(r.status, 0);
    const std::string drivesHeader = "&nbsp;Browser Side Drive Settings&nbsp;</TD></FONT>\r\n";
    const size_t end = r.out.find(drivesHeader);
    ASSERT_NE(end, std::string::npos) << r.out;
    // The form so far, then the database's error page once in the same
    // body, and nothing after it.
    EXPECT_EQ(r.out.find(std::string(ErrTopTemplate) + "<p align=\"center\">\r\n("), end + drivesHeader.size())
        << r.out;
    EXPECT_NE(r.out.find("no such table: Drives"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.rfind("Content-Type"), 0u) << r.out;
    EXPECT_EQ(r.out.find("</FORM>"), std::string::npos) << r.out;
}
