// Saving the vexweb.ini settings form through the real program: the form is
// fetched, its fields posted back as a browser would, and vexweb.ini read
// afterwards.
#include "support/CgiRun.h"
#include "support/Children.h"
#include "support/Databases.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <unistd.h>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

using namespace vdtest;

namespace {

const char* const FormQuery = "User=boss&ConfigOption=Server+and+Browser+File+Locations";
const char* const Saved =
    "<br><br><center><font color=#990000><font size=+2>Settings have been saved to vexweb.ini</font></center>\r\n";

using Fields = std::vector<std::pair<std::string, std::string>>;

std::string UrlEncode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// What a browser makes of an attribute value: the character references decoded.
std::string DecodeAttr(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            size_t semi = text.find(';', i);
            std::string ref = text.substr(i + 1, semi - i - 1);
            if (ref == "amp") out += '&';
            else if (ref == "lt") out += '<';
            else if (ref == "gt") out += '>';
            else if (ref == "quot") out += '"';
            else if (!ref.empty() && ref[0] == '#') out += static_cast<char>(std::stoi(ref.substr(1)));
            else ADD_FAILURE() << "unknown reference &" << ref << ";";
            i = semi;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The fields a browser posts for the form as shown: every text input, the
// checked boxes (as "on"), the submit button and the hidden option.
Fields FormFields(const std::string& page) {
    Fields fields;
    static const std::regex input(R"re(<INPUT TYPE=Text NAME=(\S*) ID=\S+ SIZE=75 MAXLENGTH=255 VALUE="([^"]*)">)re"
                                  R"re(|<INPUT TYPE=checkbox (checked)? NAME=(\S+) ID=\S+>)re");
    for (std::sregex_iterator it(page.begin(), page.end(), input), end; it != end; ++it) {
        const std::smatch& m = *it;
        if (m[4].matched) {
            if (m[3].matched) fields.emplace_back(m[4].str(), "on");
        } else {
            fields.emplace_back(DecodeAttr(m[1].str()), DecodeAttr(m[2].str()));
        }
    }
    fields.emplace_back("DataAction", "SAVE");
    fields.emplace_back("ConfigOption", "SAVEINI");
    return fields;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Field(const Fields& fields, const std::string& name) {
    for (const auto& [n, v] : fields)
        if (n == name) return v;
    return "<absent>";
}

void SetField(Fields& fields, const std::string& name, const std::string& value) {
    for (auto& [n, v] : fields)
        if (n == name) { v = value; return; }
    fields.emplace_back(name, value);
}

void RemoveField(Fields& fields, const std::string& name) {
    std::erase_if(fields, [&](const auto& f) { return f.first == name; });
}

std::string Body(const Fields& fields, const std::string& user) {
    std::string body = "User=" + UrlEncode(user);
    for (const auto& [n, v] : fields) body += "&" + UrlEncode(n) + "=" + UrlEncode(v);
    return body;
}

const char* const IniTail =
    "; settings of the web product\r\n"
    "BasketPath=/usr/\r\n"
    "BasketAlias=/var/\r\n"
    "EXEPath=/usr/bin/\r\n"
    "BillingDBPath=/var/lib/\r\n"
    "ReportPath=/etc/\r\n"
    "WebSecurePath=https://secure/cgi/\r\n"
    "WebCDPath=/cd/\r\n"
    "WebBasketPath=/baskets/\r\n"
    "WebTempPath=/tmpweb/\r\n"
    "WebReportPath=/reports/\r\n"
    "HomePage=home.htm\r\n"
    "SMTPServer=mail.example.com\r\n"
    "FromEmail=office@example.com\r\n"
    "ReportsAllowed=FALSE\r\n"
    "OCRAllowed=TRUE\r\n"
    "OpticalVexRetry=FALSE\r\n"
    "ReverseQuarters=FALSE\r\n"
    "Debug=FALSE\r\n"
    "ParameterPath_other=/elsewhere/\r\n"
    "PDFAllowed=TRUE\r\n";

const char* const OtherSections =
    "\r\n[Drives]\r\n"
    "; browser addresses of the archive drives\r\n"
    "A=http://cd/a/\r\n"
    "CD1=http://cd/cd1/\r\n"
    "\r\n[UserGraphics]\r\n"
    "someone=<IMG SRC=\"someone.gif\">\r\n"
    "\r\n[ABCVDW01]\r\n"
    "AllPagesPerPage=TRUE\r\n";

// A site with the supervisor "boss", the clerk "clerk" and the drives A, CD1
// and Z9 (Z9 without an entry in [Drives]).
struct SaveSite {
    Site site;
    SiteDatabases db{site};

    SaveSite() {
        site.WriteTemplates();
        db.AddUser("boss", "-1");
        db.AddUser("clerk", "0");
        db.Exec(db.ParamsDb(),
                "INSERT INTO Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) VALUES ('A', 'CD', '/a', -1);\n"
                "INSERT INTO Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) VALUES ('CD1', 'CD', '/c', 0);\n"
                "INSERT INTO Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) VALUES ('Z9', 'HD', '/z', 0);\n");
        site.WriteIni(db.IniLine() + IniTail, OtherSections);
    }

    std::string Ini() const { return site.Read("vexweb.ini"); }

    Fields ShowForm() const {
        CgiResult r = site.Run(FormQuery);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("</BODY></HTML>\r\n"), std::string::npos) << r.out;
        return FormFields(r.out);
    }

    CgiResult Save(const Fields& fields, const std::string& user = "boss") const {
        return site.Run("", Body(fields, user));
    }

    // The confirmation, after the notices that name posted folders that do not exist.
    static bool Confirmed(const std::string& page) {
        const std::string out = WithoutChanges(page);
        const std::string end = Saved;
        return out.rfind("Content-Type: text/html\r\n\r\n<HTML><BODY>\r\n", 0) == 0 && out.size() >= end.size() &&
               out.compare(out.size() - end.size(), end.size(), end) == 0;
    }

    std::string ConfirmationPage() const {
        return std::string("Content-Type: text/html\r\n\r\n<HTML><BODY>\r\n<IMG SRC=\"logo.gif\">\r\n") + Saved;
    }
};

}  // namespace

TEST(SettingsSave, RoundTripThroughTheForm) {
    SaveSite s;
    const std::string root = s.site.Root();
    Fields form = s.ShowForm();
    // 18 text inputs, the one checked box (OCRAllowed), 3 drives, the button and the option.
    ASSERT_EQ(form.size(), 24u);
    // Reports are off, so the report inputs came empty.
    EXPECT_EQ(Field(form, "ReportPath"), "");
    EXPECT_EQ(Field(form, "WebReportPath"), "");
    EXPECT_EQ(Field(form, "Z9"), "");

    SetField(form, "HTMLPath", root + "/html");     // folder: "/" appended
    SetField(form, "BasketPath", "");               // folder: empty becomes "/"
    SetField(form, "BasketAlias", "");              // guarded folder: empty stays empty
    SetField(form, "EXEPath", "/usr/sbin");
    SetField(form, "BillingDBPath", "/usr/share/");  // already ends with "/"
    SetField(form, "ReportPath", "/usr/lib");   // guarded folder, not empty: "/" appended
    SetField(form, "WebPath", "http://host/web");   // address: "/" appended
    SetField(form, "WebSecurePath", "");            // address: empty becomes "/"
    SetField(form, "WebCDPath", "/archive");
    SetField(form, "Homepage", "start.htm");
    SetField(form, "SMTPServer", "smtp.example.org");
    SetField(form, "FromEmail", "me@example.org");
    SetField(form, "ReportsAllowed", "on");
    RemoveField(form, "OCRAllowed");                // unchecked: not posted
    SetField(form, "OpticalVexRetry", "on");
    SetField(form, "ReverseQuarters", "x");         // any posted value is a checked box
    SetField(form, "A", "http://new/a");            // drive address: "/" appended
    SetField(form, "CD1", "");                      // cleared: the old entry stays
    SetField(form, "Z9", "http://z9/");

    CgiResult saved = s.Save(form);
    EXPECT_EQ(saved.status, 0);
    EXPECT_EQ(WithoutChanges(saved.out), s.ConfirmationPage());

    // Every key in place, with the stored spelling of HomePage and
    // OpticalVexRetry; comments, other keys and sections untouched.
    EXPECT_EQ(s.Ini(), "[Vexdoc/Web]\r\n"
                       "WebPath=http://host/web/\r\n"
                       "WebScriptsPath=/cgi/\r\n"
                       "HTMLPath=" + root + "/html/\r\n"
                       "TempPath=" + root + "/temp/\r\n"
                       "ParameterPath=" + s.db.ParameterPath() + "\r\n"
                       "; settings of the web product\r\n"
                       "BasketPath=/\r\n"
                       "BasketAlias=\r\n"
                       "EXEPath=/usr/sbin/\r\n"
                       "BillingDBPath=/usr/share/\r\n"
                       "ReportPath=/usr/lib/\r\n"
                       "WebSecurePath=/\r\n"
                       "WebCDPath=/archive/\r\n"
                       "WebBasketPath=/baskets/\r\n"
                       "WebTempPath=/tmpweb/\r\n"
                       "WebReportPath=/\r\n"
                       "HomePage=start.htm\r\n"
                       "SMTPServer=smtp.example.org\r\n"
                       "FromEmail=me@example.org\r\n"
                       "ReportsAllowed=TRUE\r\n"
                       "OCRAllowed=FALSE\r\n"
                       "OpticalVexRetry=TRUE\r\n"
                       "ReverseQuarters=TRUE\r\n"
                       "Debug=FALSE\r\n"
                       "ParameterPath_other=/elsewhere/\r\n"
                       "PDFAllowed=TRUE\r\n"
                       "\r\n[Drives]\r\n"
                       "; browser addresses of the archive drives\r\n"
                       "A=http://new/a/\r\n"
                       "CD1=http://cd/cd1/\r\n"
                       "Z9=http://z9/\r\n"
                       "\r\n[UserGraphics]\r\n"
                       "someone=<IMG SRC=\"someone.gif\">\r\n"
                       "\r\n[ABCVDW01]\r\n"
                       "AllPagesPerPage=TRUE\r\n");

    // The next request shows what was saved.
    Fields again = s.ShowForm();
    EXPECT_EQ(Field(again, "HTMLPath"), root + "/html/");
    EXPECT_EQ(Field(again, "BasketPath"), "/");
    EXPECT_EQ(Field(again, "BasketAlias"), "");
    EXPECT_EQ(Field(again, "ReportPath"), "/usr/lib/");
    EXPECT_EQ(Field(again, "WebReportPath"), "/");
    EXPECT_EQ(Field(again, "WebPath"), "http://host/web/");
    EXPECT_EQ(Field(again, "Homepage"), "start.htm");
    EXPECT_EQ(Field(again, "SMTPServer"), "smtp.example.org");
    EXPECT_EQ(Field(again, "ReportsAllowed"), "on");
    EXPECT_EQ(Field(again, "OCRAllowed"), "<absent>");
    EXPECT_EQ(Field(again, "OpticalVexRetry"), "on");
    EXPECT_EQ(Field(again, "Debug"), "<absent>");
    EXPECT_EQ(Field(again, "A"), "http://new/a/");
    EXPECT_EQ(Field(again, "CD1"), "http://cd/cd1/");
    EXPECT_EQ(Field(again, "Z9"), "http://z9/");
}

// A folder slip that would lock every supervisor out (templates gone, no
// parameters database) stores nothing: the form comes back as typed, with
// its version, and a line per field; mended there, it saves.
TEST(SettingsSave, ASaveThatWouldLockTheSiteOutComesBackAsTyped) {
    SaveSite s;
    const std::string before = s.Ini();
    const std::string page = s.site.Run(FormQuery).out;
    std::smatch version;
    ASSERT_TRUE(std::regex_search(page, version, std::regex("name=IniVersion value=\"([0-9a-f]+)\"")));
    Fields form = FormFields(page);
    form.emplace_back("IniVersion", version[1].str());
    const std::string params = s.db.ParameterPath();
    SetField(form, "ParameterPath", params.substr(0, params.size() - 1) + "x");
    SetField(form, "HTMLPath", "/nowhere/html");
    SetField(form, "SMTPServer", "typed \"here\"");

    CgiResult r = s.Save(form);
    EXPECT_EQ(s.Ini(), before);
    EXPECT_FALSE(s.site.Exists("vdconfig-audit.log"));
    EXPECT_TRUE(Has(r.out, "<div class=refused role=alert>\r\n<P><CENTER><FONT COLOR=\"#99000\"><b>Settings not saved. "
                           "Correct what is named below and save again.</b></FONT></CENTER></p>\r\n"
                           "<P><CENTER><FONT COLOR=\"#99000\">Folder where dynamic web pages are created: "
                           "&quot;/nowhere/html&quot; holds no tbltop.htm and tblbot.htm.</FONT></CENTER></p>\r\n"
                           "<P><CENTER><FONT COLOR=\"#99000\">Folder where Vexdoc is located: &quot;" +
                               params.substr(0, params.size() - 1) +
                               "x&quot; holds no DSN/VDWParams32.DSN, the data source of the parameters "
                               "database.</FONT></CENTER></p>\r\n</div>\r\n&nbsp;<BR>\r\n<FORM"))
        << r.out;
    Fields again = FormFields(r.out);
    EXPECT_EQ(Field(again, "SMTPServer"), "typed \"here\"");
    EXPECT_EQ(Field(again, "HTMLPath"), "/nowhere/html");
    EXPECT_TRUE(Has(r.out, "name=IniVersion value=\"" + version[1].str() + "\""));

    SetField(again, "ParameterPath", params);
    SetField(again, "HTMLPath", s.site.HtmlPath());
    again.emplace_back("IniVersion", version[1].str());
    EXPECT_TRUE(SaveSite::Confirmed(s.Save(again).out));
    EXPECT_TRUE(Has(s.Ini(), "SMTPServer=typed \"here\"\r\n"));
}

TEST(SettingsSave, MissingKeysAreAddedWithTheSavedSpelling) {
    SaveSite s;
    s.site.WriteIni(s.db.IniLine());
    Fields form = s.ShowForm();
    SetField(form, "OpticalVexRetry", "on");
    ASSERT_EQ(WithoutChanges(s.Save(form).out), s.ConfirmationPage());
    const std::string ini = s.Ini();
    EXPECT_NE(ini.find("\r\nHomepage=default.htm\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\r\nOpticalVEXRetry=TRUE\r\n"), std::string::npos) << ini;
    // Drives without an address write nothing.
    EXPECT_EQ(ini.find("[Drives]"), std::string::npos) << ini;
}

TEST(SettingsSave, QuotesMarkupAndLineBreaksSurviveTheRoundTrip) {
    SaveSite s;
    s.db.Exec(s.db.ParamsDb(), "INSERT INTO Drives (Drive, DriveType) VALUES ('Net <1> & \"x\"', 'HD');\n");
    Fields form = s.ShowForm();
    const std::string home = "a\"b<c>&d'e f";
    const std::string address = "http://h/?a=1&b=\"2\"<x>/";
    SetField(form, "Homepage", home);
    SetField(form, "SMTPServer", "mail\r\n[Drives]\r\nA=http://evil/");
    SetField(form, "FromEmail", "me@x\nNewKey=1");
    SetField(form, "Net <1> & \"x\"", address);
    ASSERT_EQ(WithoutChanges(s.Save(form).out), s.ConfirmationPage());

    // A line break cannot add a key or a section.
    const std::string ini = s.Ini();
    EXPECT_NE(ini.find("\r\nSMTPServer=mail[Drives]A=http://evil/\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\r\nFromEmail=me@xNewKey=1\r\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("\nNewKey"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("\n[Drives]\r\n"), ini.rfind("\n[Drives]\r\n")) << ini;
    EXPECT_NE(ini.find("\r\nA=http://cd/a/\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\r\nNet <1> & \"x\"=" + address + "\r\n"), std::string::npos) << ini;

    // The form shows every value as saved, and posting it unchanged changes nothing.
    Fields again = s.ShowForm();
    EXPECT_EQ(Field(again, "Homepage"), home);
    EXPECT_EQ(Field(again, "Net <1> & \"x\""), address);
    EXPECT_EQ(Field(again, "SMTPServer"), "mail[Drives]A=http://evil/");
    ASSERT_EQ(WithoutChanges(s.Save(again).out), s.ConfirmationPage());
    EXPECT_EQ(s.Ini(), ini);
}

TEST(SettingsSave, MissingFoldersAreNamedAndTheSaveGoesOn) {
    SaveSite s;
    Fields form = s.ShowForm();
    SetField(form, "TempPath", "/nowhere/temp/");
    CgiResult r = s.Save(form);
    EXPECT_TRUE(Has(r.out, "<br><center>TempPath /nowhere/temp/ does not exist</center>\r\n" + std::string(Saved)))
        << r.out;
    EXPECT_TRUE(Has(s.Ini(), "TempPath=/nowhere/temp/"));
}

TEST(SettingsSave, ReadOnlySettingsFileIsAFailureNotAConfirmation) {
    SaveSite s;
    Fields form = s.ShowForm();
    SetField(form, "Homepage", "changed.htm");
    const std::string before = s.Ini();
    ASSERT_EQ(chmod(s.site.Path("vexweb.ini").c_str(), 0444), 0);

    CgiResult r = s.Save(form);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("Content-Type: text/html\r\n\r\n") + ErrTopTemplate +
                         "<p align=\"center\">\r\n(70) Error: Permission denied</p>\r\n" + ErrBottomTemplate);
    EXPECT_EQ(s.Ini(), before);
}

TEST(SettingsSave, DatabaseFailureWritesNothingAndSendsNoConfirmation) {
    SaveSite s;
    Fields form = s.ShowForm();
    SetField(form, "EXEPath", "/usr/sbin");
    SetField(form, "A", "http://new/a/");
    const std::string before = s.Ini();
    s.db.Exec(s.db.ParamsDb(), "DROP TABLE Drives;\n");

    CgiResult r = s.Save(form);
    EXPECT_EQ(r.status, 0);
    // The database's own error page, once, and no confirmation after it.
    const std::string errorOpening =
        std::string("Content-Type: text/html\r\n\r\n") + ErrTopTemplate + "<p align=\"center\">\r\n(";
    EXPECT_EQ(r.out.rfind(errorOpening, 0), 0u) << r.out;
    EXPECT_NE(r.out.find("no such table: Drives"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Content-Type", 1), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Settings have been saved"), std::string::npos) << r.out;
    EXPECT_EQ(s.Ini(), before);
}

TEST(SettingsSave, OnlyASupervisorMaySave) {
    SaveSite s;
    Fields form = s.ShowForm();
    SetField(form, "HTMLPath", "/changed/");
    SetField(form, "A", "http://changed/");
    const std::string before = s.Ini();
    const std::string refusal = std::string("Content-Type: text/html\r\n\r\n") +
                                "<HTML><BODY>\r\n<IMG SRC=\"logo.gif\">\r\n"
                                "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">You are not authorized to perform this "
                                "function.</FONT></CENTER></p>\r\n" +
                                BottomTemplate;
    for (const char* user : {"clerk", "nobody-known", ""}) {
        CgiResult r = s.Save(form, user);
        EXPECT_EQ(r.status, 0) << user;
        EXPECT_EQ(r.out, refusal) << user;
        EXPECT_EQ(s.Ini(), before) << user;
    }
    // The form itself is refused as well.
    EXPECT_EQ(s.site.Run("User=clerk&ConfigOption=Server+and+Browser+File+Locations").out, refusal);
}

namespace {

// The fields that SaveNumbered changes: the text fields but the three that
// the next run needs to find its templates, log and databases.
bool Numbered(const std::string& name, const std::string& value) {
    for (const char* kept : {"DataAction", "ConfigOption", "HTMLPath", "TempPath", "ParameterPath"})
        if (name == kept) return false;
    return value != "on";
}

// The text fields of the form, each given a value that names save n, and the
// three drives' addresses.
Fields SaveNumbered(Fields form, int n) {
    const std::string tag = "s" + std::to_string(n);
    for (auto& [name, value] : form)
        if (Numbered(name, value)) value = "/" + tag + "/" + name + "/";
    return form;
}

std::set<std::string> FolderEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

}  // namespace

TEST(SettingsSave, SimultaneousSavesLeaveOneWholeSave) {
    SaveSite s;
    const Fields form = s.ShowForm();
    constexpr int savers = 6, rounds = 2;
    EXPECT_TRUE(InChildren(savers, [&](int p) {
        bool ok = true;
        for (int r = 0; r < rounds; ++r) ok = SaveSite::Confirmed(s.Save(SaveNumbered(form, p * rounds + r)).out) && ok;
        return ok;
    }));
    // Every text key and every drive holds the value of one and the same save.
    const std::string ini = s.Ini();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(ini, m, std::regex("\r\nWebPath=/(s[0-9]+)/"))) << ini;
    const std::string winner = m[1].str();
    int keys = 0;
    for (const auto& [name, value] : form) {
        if (!Numbered(name, value)) continue;
        ++keys;
        EXPECT_NE(ini.find("=/" + winner + "/" + name + "/\r\n"), std::string::npos) << name << "\n" << ini;
    }
    EXPECT_EQ(keys, 18);  // 15 text settings and the drives A, CD1 and Z9
    EXPECT_NE(ini.find("\r\nsomeone=<IMG SRC=\"someone.gif\">\r\n"), std::string::npos) << ini;
}

TEST(SettingsSave, AKilledSaveLeavesTheOldOrTheNewFileAndNoTemporaryAfterTheNext) {
    SaveSite s;
    // A large vexweb.ini makes the write take long enough to be cut.
    std::string bulk;
    for (int i = 0; i < 3000; ++i) bulk += "\r\n[X" + std::to_string(i) + "VDW01]\r\nShowCheck=" + std::string(300, 'x');
    s.site.WriteIni(s.db.IniLine() + IniTail, OtherSections + bulk + "\r\n");
    const std::string before = s.Ini();
    const std::set<std::string> entries = FolderEntries(s.site.Root());
    const std::string body = Body(SaveNumbered(s.ShowForm(), 1), "boss");
    ASSERT_TRUE(SaveSite::Confirmed(s.site.Run("", body).out));
    const std::string after = s.Ini();
    ASSERT_NE(after, before);

    unsigned seed = 7;
    int killed = 0;
    for (int round = 0; round < 30; ++round) {
        s.site.Write("vexweb.ini", before);
        killed += s.site.RunKilledAfter(body, 1000 + static_cast<int>(rand_r(&seed) % 25000));
        const std::string now = s.Ini();
        ASSERT_TRUE(now == before || now == after) << "round " << round << " left a mixed vexweb.ini";
    }
    EXPECT_GT(killed, 0);
    ASSERT_TRUE(SaveSite::Confirmed(s.site.Run("", body).out));
    EXPECT_EQ(s.Ini(), after);
    // Nothing beside vexweb.ini but the audit trail and the kept versions.
    std::set<std::string> expected = entries;
    expected.insert({"vdconfig-audit.log", "vexweb.ini.history"});
    EXPECT_EQ(FolderEntries(s.site.Root()), expected);
}

TEST(SettingsSave, OddDriveNamesAreLeftOutWithANotice) {
    SaveSite s;
    s.db.Exec(s.db.ParamsDb(), "INSERT INTO Drives (Drive, DriveType) VALUES ('X=Y', 'HD');\n"
                               "INSERT INTO Drives (Drive, DriveType) VALUES ('[UserGraphics]', 'HD');\n"
                               "INSERT INTO Drives (Drive, DriveType) VALUES (' pad ', 'HD');\n"
                               "INSERT INTO Drives (Drive, DriveType) VALUES ('', 'HD');\n"
                               "INSERT INTO Drives (Drive, DriveType) VALUES ('<b>', 'HD');\n");
    Fields form = s.ShowForm();
    for (const char* drive : {"X=Y", "[UserGraphics]", " pad ", "<b>", "A"}) SetField(form, drive, "http://odd/");
    const std::string notices =
        "<br><center>Drive &quot;X=Y&quot; was not saved: its name cannot be a key of vexweb.ini</center>\r\n"
        "<br><center>Drive &quot;[UserGraphics]&quot; was not saved: its name cannot be a key of vexweb.ini</center>\r\n"
        "<br><center>Drive &quot; pad &quot; was not saved: its name cannot be a key of vexweb.ini</center>\r\n"
        "<br><center>Drive &quot;&quot; was not saved: its name cannot be a key of vexweb.ini</center>\r\n";
    const std::string page = "Content-Type: text/html\r\n\r\n<HTML><BODY>\r\n<IMG SRC=\"logo.gif\">\r\n" + notices + Saved;
    ASSERT_EQ(WithoutChanges(s.Save(form).out), page);
    const std::string ini = s.Ini();
    ASSERT_EQ(WithoutChanges(s.Save(form).out), page);
    EXPECT_EQ(s.Ini(), ini);
    // The rest of [Drives] is saved and the sections after it are whole.
    EXPECT_NE(ini.find("\r\n[Drives]\r\n; browser addresses of the archive drives\r\nA=http://odd/\r\n"
                       "CD1=http://cd/cd1/\r\n<b>=http://odd/\r\n\r\n[UserGraphics]\r\n"
                       "someone=<IMG SRC=\"someone.gif\">\r\n\r\n[ABCVDW01]\r\nAllPagesPerPage=TRUE\r\n"),
              std::string::npos)
        << ini;
    EXPECT_EQ(ini.find("http://odd/"), ini.rfind("http://odd/") - std::string("http://odd/\r\nCD1=http://cd/cd1/\r\n<b>=").size())
        << ini;
}

TEST(SettingsSave, ALinkedSettingsFileStaysALinkAndItsTargetIsSaved) {
    SaveSite s;
    std::filesystem::create_directories(s.site.Path("state"));
    std::filesystem::rename(s.site.Path("vexweb.ini"), s.site.Path("state/vexweb.ini"));
    ASSERT_EQ(symlink("state/vexweb.ini", s.site.Path("vexweb.ini").c_str()), 0);
    Fields form = s.ShowForm();
    SetField(form, "EXEPath", "/linked/exe");
    SetField(form, "A", "http://linked/a/");
    ASSERT_TRUE(SaveSite::Confirmed(s.Save(form).out));
    EXPECT_TRUE(std::filesystem::is_symlink(s.site.Path("vexweb.ini")));
    const std::string ini = s.site.Read("state/vexweb.ini");
    for (const char* line : {"\r\nEXEPath=/linked/exe/\r\n", "\r\nA=http://linked/a/\r\n", "\r\n; settings of the web product\r\n",
                             "\r\nPDFAllowed=TRUE\r\n", "\r\n[ABCVDW01]\r\nAllPagesPerPage=TRUE\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;
    EXPECT_EQ(FolderEntries(s.site.Path("state")),
              (std::set<std::string>{"vexweb.ini", "vdconfig-audit.log", "vexweb.ini.history"}));
}
