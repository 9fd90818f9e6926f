// The configurator on PostgreSQL through psqlODBC, once through each of the
// two drivers, against a throwaway server: a supervisor's work from the main
// menu to the database report as CGI requests, and the record access of the
// data layer on the types the server reports.
#include "app/Main.h"
#include "cgi/Output.h"
#include "data/ODBCAPI.h"
#include "data/RecordAccess.h"
#include "support/CgiRun.h"
#include "support/DataCalls.h"
#include "support/Databases.h"
#include "support/Forms.h"
#include "support/PageText.h"
#include "support/PostgresSuite.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

using namespace vdtest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

bool Has(const std::string& page, const std::string& text) { return page.find(text) != std::string::npos; }

// What the rate plan form posts for a plan of ABC 01 (RateNum 32767: new).
Fields PlanForm(const std::string& rateNum, const std::string& description) {
    return RatePlanFields(rateNum, description);
}

// The fields a browser posts for the settings form as shown (the values of
// this site need no decoding).
Fields SettingsFields(const std::string& page) {
    Fields fields{{"User", "boss"}, {"DataAction", "SAVE"}, {"ConfigOption", "SAVEINI"}};
    static const std::regex input(R"re(<INPUT TYPE=Text NAME=(\S*) ID=\S+ SIZE=75 MAXLENGTH=255 VALUE="([^"]*)">)re"
                                  R"re(|<INPUT TYPE=checkbox (checked)? NAME=(\S+) ID=\S+>)re");
    for (std::sregex_iterator it(page.begin(), page.end(), input), end; it != end; ++it) {
        const std::smatch& m = *it;
        if (m[4].matched) {
            if (m[3].matched) fields[m[4].str()] = "on";
        } else {
            fields[m[1].str()] = m[2].str();
        }
    }
    return fields;
}

std::string Confirmation(const std::string& message) {
    return Header + Top + "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">" + message +
           "</FONT></CENTER></p>\r\n<BR><BR><CENTER><FONT COLOR=\"#99000\">"
           "<A HREF=\"/cgi/vdconfig.exe?ConfigOption=RATE PLANS\">Click here to return to the rate plan screen</A>"
           "</FONT></CENTER>\r\n" +
           BottomTemplate;
}

// One row of the plan list: the database and its plans.
std::string PlanRow(int row, const std::string& options, const std::string& button) {
    const std::string n = std::to_string(row);
    return "<td><label for=RateNum" + n + ">Deeds</label>\r\n<input type=hidden name=Appl" + n +
           " value=ABC></td>\r\n<input type=hidden name=DocType" + n + " value=01></td>\r\n<td><select name='RateNum" +
           n + "' id='RateNum" + n + "'>\r\n" + options + "</select></td><td>\r\n" +
           "<input type=submit name=Rate" + n + " value=\"" + button + "\"><br>\r\n</td><tr>\r\n";
}

const char* const Drivers[] = {"PostgreSQL Unicode", "PostgreSQL ANSI"};

class PostgresSite : public OnPostgres {
protected:
    // One server for the suite; every driver of every test gets a new site
    // and emptied databases.
    void UseDriver(const std::string& driver) {
        dbs.reset();
        site = std::make_unique<Site>();
        dbs = std::make_unique<SiteDatabases>(*site, server_->Databases(driver, "vdparams", "vdbilling"));
        site->WriteTemplates();
        site->WriteIni(dbs->IniLine(), "\r\n[Drives]\r\nA=/archive/a/\r\n\r\n[ABCVDW01]\r\nShowCheck=TRUE\r\n");
    }

    // The program runs with the server's driver configuration.
    CgiResult Get(const std::string& query) const {
        return site->Run(query, "", {{"ODBCSYSINI", server_->OdbcSysIni()}});
    }
    CgiResult Post(const Fields& fields) const {
        return site->Run("", Body(fields), {{"ODBCSYSINI", server_->OdbcSysIni()}});
    }
    Rows Plans() const {
        return dbs->Query(dbs->BillingDb(),
                          "select application, DocType, RateNum, Rate_Description, Hide_level, Flat_Fee, Hits_Fee, "
                          "Max_PageView, Tax_Policy, length(Billing_Policy) from Rate_Schedule order by RateNum");
    }

    void SupervisorWork();
    void RecordAccess();

    std::unique_ptr<Site> site;
    std::unique_ptr<SiteDatabases> dbs;
};

TEST_F(PostgresSite, SupervisorWorksThroughEveryPage) {
    for (const char* driver : Drivers) {
        SCOPED_TRACE(driver);
        UseDriver(driver);
        SupervisorWork();
    }
}

TEST_F(PostgresSite, RecordAccessOnTheServersTypes) {
    for (const char* driver : Drivers) {
        SCOPED_TRACE(driver);
        UseDriver(driver);
        RecordAccess();
    }
}

void PostgresSite::SupervisorWork() {
    dbs->AddUser("boss", "-1");
    dbs->AddUser("clerk", "0");
    dbs->AddDocType("ABC", "01", "Deeds");
    dbs->Exec(dbs->ParamsDb(),
              "insert into Applications (ApplicationID, ApplicationName) values ('ABC', 'Abstracts');\n"
              "insert into Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) values ('A', 'CD', '/a', -1);\n"
              "insert into Drives (Drive, DriveType, PathPrefix, ArchiveEnabled) values ('CD1', 'CD', '/c', 0);\n");
    // A policy column of type text has no limit of its own.
    dbs->Exec(dbs->BillingDb(), "alter table Rate_Schedule alter column Billing_Policy type text");

    // The main menu: boss is a supervisor by the Users table, clerk is not.
    EXPECT_EQ(Get("User=boss").out, Menu);
    EXPECT_EQ(Get("User=clerk").out, Refusal);

    // The settings form lists the drives of the Drives table; a save writes
    // their addresses.
    CgiResult r = Get("User=boss&ConfigOption=Server+and+Browser+File+Locations");
    EXPECT_TRUE(Has(r.out, "<TD WIDTH=100%><INPUT TYPE=Text NAME=A ID=drive-1 SIZE=75 MAXLENGTH=255 "
                           "VALUE=\"/archive/a/\">\r\n</TR><TR VALIGN=TOP>\r\n"
                           "<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=drive-2>CD1</label>&nbsp;</TD>\r\n"
                           "<TD WIDTH=100%><INPUT TYPE=Text NAME=CD1 ID=drive-2 SIZE=75 MAXLENGTH=255 VALUE=\"\">\r\n"
                           "</TR></TABLE><P>\r\n"))
        << r.out;
    Fields settings = SettingsFields(r.out);
    ASSERT_EQ(settings.count("CD1"), 1u) << r.out;
    settings["CD1"] = "/archive/cd1";
    r = Post(settings);
    EXPECT_TRUE(Has(r.out, "Settings have been saved to vexweb.ini")) << r.out;
    const std::string ini = site->Read("vexweb.ini");
    EXPECT_TRUE(Has(ini, "[Drives]\r\nA=/archive/a/\r\nCD1=/archive/cd1/\r\n")) << ini;

    // The plan list offers a new plan; its form starts from zeros.
    r = Get("User=boss&ConfigOption=Rate+Plans");
    EXPECT_TRUE(Has(r.out, PlanRow(1, "<option value=N>new\r\n", "Modify Plan"))) << r.out;
    r = Get("User=boss&ConfigOption=SHOWPLAN&Appl1=ABC&DocType1=01&RateNum1=N&Rate1=Modify+Plan");
    EXPECT_TRUE(Has(r.out, "<input type=hidden name=RateNum value=\"32767\">")) << r.out;
    EXPECT_TRUE(Has(r.out, "<td><b>Abstracts</b></td>")) << r.out;
    EXPECT_TRUE(Has(r.out, "<INPUT TYPE=Text NAME=Flat_Fee ID=Flat_Fee VALUE=\".00\">")) << r.out;

    // A new plan takes number 0 and comes back in its form.
    EXPECT_EQ(WithoutChanges(Post(PlanForm("32767", "Gold")).out),
              Confirmation("Rate plan Gold has been saved for Application ABC - Database 01"));
    EXPECT_EQ(Plans(), (Rows{{"ABC", "01", "0", "Gold", "0", "10", "1234.5", "32767", "", ""}}));
    r = Get("User=boss&ConfigOption=SHOWPLAN&Appl1=ABC&DocType1=01&RateNum1=0&Rate1=Modify+Plan");
    EXPECT_TRUE(Has(r.out, "<INPUT TYPE=Text NAME=Rate_Description ID=Rate_Description VALUE=\"Gold\">")) << r.out;
    EXPECT_TRUE(Has(r.out, "<INPUT TYPE=Text NAME=Hits_Fee ID=Hits_Fee VALUE=\"1234.50\">")) << r.out;
    EXPECT_TRUE(Has(r.out, "<INPUT TYPE=\"SUBMIT\" NAME=\"DataAction\" VALUE=\"DELETE\">")) << r.out;

    // Saving the stored plan updates its row. The varchar(255) policy is cut
    // (never inside a character) with a notice; the text one is kept whole.
    Fields edit = PlanForm("0", "Gold's \\ plus?");
    edit["Flat_Fee"] = "12.50";
    edit["Tax_Policy"] = std::string(254, 't') + "\xC3\xA9";
    edit["Billing_Policy"] = std::string(9000, 'b');
    r = Post(edit);
    EXPECT_EQ(WithoutChanges(r.out), Header + Top + "<p align=\"center\">\r\nTax Policy is limited to 255 characters.\r\n" +
                         Confirmation("Rate plan Gold&#39;s \\ plus? has been saved for Application ABC - Database 01")
                             .substr(Header.size() + Top.size()));
    EXPECT_EQ(Plans(), (Rows{{"ABC", "01", "0", "Gold's \\ plus?", "0", "12.5", "1234.5", "32767",
                              std::string(254, 't'), "9000"}}));
    // The trail names the column as the catalogue does, not as the server.
    EXPECT_TRUE(Has(site->Read("vdconfig-audit.log"), R"({"field":"Flat_Fee","old":"10","new":"12.5"})"));

    // A second plan, then the first one hidden: the clerk sees only the second.
    EXPECT_EQ(WithoutChanges(Post(PlanForm("32767", "Gr\xC3\xBCn")).out),
              Confirmation("Rate plan Gr\xC3\xBCn has been saved for Application ABC - Database 01"));
    Fields hide = edit;
    hide["Hidelevel"] = "YES";
    EXPECT_TRUE(Has(Post(hide).out, "has been saved"));
    Rows plans = Plans();
    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[0][4], "-1");
    EXPECT_EQ(plans[1],
              (std::vector<std::string>{"ABC", "01", "1", "Gr\xC3\xBCn", "0", "10", "1234.5", "32767", "", ""}));
    r = Get("User=clerk&ConfigOption=Rate+Plans");
    EXPECT_TRUE(Has(r.out, "Select a Billing Plan to review")) << r.out;
    EXPECT_TRUE(Has(r.out, PlanRow(1, "<option value=1>Gr\xC3\xBCn\r\n", "Review Plan"))) << r.out;
    EXPECT_FALSE(Has(r.out, "Gold")) << r.out;
    r = Get("User=boss&ConfigOption=Rate+Plans");
    EXPECT_TRUE(Has(r.out, "<option value=0>Gold&#39;s \\ plus?\r\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "<option value=1>Gr\xC3\xBCn\r\n")) << r.out;

    // Deleting the hidden plan removes its row only.
    Fields del = PlanForm("0", "");
    del["DataAction"] = "DELETE";
    del["ConfirmDelete"] = "YES";
    EXPECT_EQ(Post(del).out,
              Confirmation("Rate plan Gold&#39;s \\ plus? has been deleted for Application ABC - Database 01"));
    plans = Plans();
    ASSERT_EQ(plans.size(), 1u);
    EXPECT_EQ(plans[0][2], "1");

    // The database selection page and the report of the chosen database.
    r = Get("User=boss&ConfigOption=Database+Settings");
    EXPECT_TRUE(Has(r.out, "<select name=\"Database\" aria-labelledby=databases SIZE=\"1\">\r\n"
                           "<option VALUE=\"ABC-01\", SELECTED>ABC-01 Deeds</option>\r\n</select>"))
        << r.out;
    r = Get("User=boss&ConfigOption=Select+Database&Database=ABC-01");
    EXPECT_TRUE(Has(r.out, "<FONT SIZE=+1>Configuration Settings for Application ABC  Database 01</FONT>")) << r.out;
    EXPECT_TRUE(Has(r.out, "<TD><FONT COLOR=#990000>ShowCheck</FONT></TD>\r\n<TD>TRUE</TD>")) << r.out;
    EXPECT_TRUE(Has(r.out, "</body></html>")) << r.out;
}

void PostgresSite::RecordAccess() {
    vd::ResetRun();
    ::testing::internal::CaptureStdout();  // error pages would land here
    {
        vd::OdbcConnection c;
        ASSERT_TRUE(vdtest::Shown([&] {
            vd::ODBCOpenDatabase(c, "FILEDSN=" + dbs->ParameterPath() + "DSN/VDWParams32.DSN;UID=" + SiteSqlUser +
                                        ";PWD=" + SiteSqlPassword + ";");
        }));
        EXPECT_EQ(c.DbmsName(), "PostgreSQL");
        EXPECT_TRUE(vd::TableExists(c, "Users"));

        // Names come folded to lower case; both drivers report varchar and
        // text to this program as VARCHAR and LONGVARCHAR.
        vd::TableInfo users;
        users.Name = "Users";
        ASSERT_TRUE(vdtest::Shown([&] { vd::ODBCOpenTbl(c, "Users", users, ""); }));
        ASSERT_EQ(users.FieldCount, 13);
        EXPECT_EQ(users.Field(0).Name, "userid");
        EXPECT_EQ(users.Field(0).Type, vd::FieldType::Text);
        EXPECT_EQ(users.Field(0).Size, 60);
        EXPECT_EQ(users.Field(8).Type, vd::FieldType::SmallInt);   // UserSuper smallint
        EXPECT_EQ(users.Field(10).Type, vd::FieldType::LongText);  // UserAppDb text
        EXPECT_EQ(users.Field(10).Size, 0);

        // Insert, then update through the key (plain column names here).
        users.Field(0).Value = "O'Neil";
        users.Field(1).Value = "Pat";
        users.Field(8).Value = -1;
        users.Field(10).Value = "it's " + std::string(5000, 'x');
        ASSERT_TRUE(vdtest::Shown([&] { vd::UpdateRecInfo("Users", "0;", users, c); }));
        users.Field(0).Value = "O'Neil";
        users.Field(1).Value = "Pat O'Neil";
        users.Field(10).Value = "db's";
        ASSERT_TRUE(vdtest::Shown([&] { vd::UpdateRecInfo("Users", "0;", users, c); }));
        users.Field(0).Value = "O'Hara";
        ASSERT_TRUE(vdtest::Shown([&] { vd::ODBCAddNew(c, "Users", users); }));
        EXPECT_EQ(dbs->Query(dbs->ParamsDb(), "select UserID, UserName, UserSuper, UserAppDb from Users order by 1"),
                  (Rows{{"O'Hara", "Pat O'Neil", "-1", "db's"}, {"O'Neil", "Pat O'Neil", "-1", "db's"}}));

        // Seeking by exact keys ("%" a plain character), deleting within a limit.
        vd::TableInfo found;
        found.Name = "found";
        ASSERT_TRUE(vdtest::Shown([&] { vd::ODBCOpenTbl(c, "Users", found, ""); }));
        found.Field(0).Value = "O'%";
        EXPECT_EQ(vd::SeekRec("Users", "0;", found, c), 0);
        found.Field(0).Value = "O'%";
        EXPECT_EQ(vd::DeleteRec("Users", "0;", found, c, 0), 0);
        found.Field(0).Value = "O'Hara";
        EXPECT_EQ(vd::SeekRec("Users", "0;", found, c), 1);
        EXPECT_EQ(vd::DeleteRec("Users", "0;", found, c, 0), 1);
        EXPECT_EQ(dbs->Query(dbs->ParamsDb(), "select UserID from Users"), (Rows{{"O'Neil"}}));
        vd::ODBCCloseTbl(users);
        vd::ODBCCloseTbl(found);
        vd::ODBCCloseDatabase(c);
        EXPECT_FALSE(c.IsOpen());
        EXPECT_EQ(c.DbmsName(), "");
    }
    vd::FlushOutput();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    vd::ResetRun();
}

}  // namespace
