// The supervisor test inside the running program: the Users row of the
// site's parameters database decides who gets past the main door.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

using namespace vdtest;

namespace {

struct AuthorizedSite {
    Site site;
    SiteDatabases dbs{site};
    AuthorizedSite(const std::string& extraIni = "") {
        site.WriteTemplates();
        site.WriteIni(dbs.IniLine() + extraIni);
        dbs.AddUser("boss", "-1");
        dbs.AddUser("clerk", "0");
    }
};

}  // namespace

TEST(Authorization, SupervisorGetsTheMainMenu) {
    AuthorizedSite s;
    CgiResult r = s.site.Run("User=boss");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Menu);
    r = s.site.Run("", "User=boss&ConfigOption=");
    EXPECT_EQ(r.out, Menu);
    // The database's "=" decides: SQLite's tells cases apart.
    for (const char* user : {"BOSS", "Boss", "boss%20"}) EXPECT_EQ(s.site.Run(std::string("User=") + user).out, Refusal);
}

TEST(Authorization, ADatabaseThatIgnoresCaseKeepsWorking) {
    AuthorizedSite s("Debug=true\r\n");
    s.dbs.Exec(s.dbs.ParamsDb(), "DROP TABLE Users");
    s.dbs.Exec(s.dbs.ParamsDb(), "CREATE TABLE Users (UserID varchar (60) COLLATE NOCASE, UserName varchar (30), "
                                 "UserPass varchar (8), UserScan smallint, UserIndex smallint, UserArchive smallint, "
                                 "UserSearch smallint, UserSetup smallint, UserSuper smallint, UserDbAll smallint, "
                                 "UserAppDb text, GroupID varchar (30), UserInternet smallint)");
    s.dbs.AddUser("admin", "-1");
    EXPECT_EQ(s.site.Run("User=ADMIN").out, Menu);
    EXPECT_NE(s.site.Read("temp/vdconfig.log").find("seekrec - select * from Users where UserID='ADMIN'  order by UserID"),
              std::string::npos);
}

TEST(Authorization, OtherUsersAreRefused) {
    AuthorizedSite s("Debug=true\r\n");
    s.dbs.AddUser("%", "0");
    for (const char* user : {"clerk", "stranger", "b%25", "%25", "boss%27%20OR%20%271%27%3D%271"}) {
        CgiResult r = s.site.Run(std::string("User=") + user);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, Refusal) << user;
    }
    // A literal "%" id is its own row.
    EXPECT_EQ(s.site.Run("User=%25").out, Refusal);
    s.dbs.Exec(s.dbs.ParamsDb(), "update Users set UserSuper=-1 where UserID='%'");
    EXPECT_EQ(s.site.Run("User=%25").out, Menu) << s.site.Read("temp/vdconfig.log");
}

TEST(Authorization, EmptyUserNeverOpensTheDatabase) {
    AuthorizedSite s("Debug=true\r\n");
    // A database that cannot be opened would show an error page.
    s.site.Write("params/DSN/VDWParams32.DSN", "[ODBC]\r\nDRIVER=NoSuchDriver\r\n");
    CgiResult r = s.site.Run("ConfigOption=");
    EXPECT_EQ(r.out, Refusal);
    r = s.site.Run("User=");
    EXPECT_EQ(r.out, Refusal);
    const std::string log = s.site.Read("temp/vdconfig.log");
    EXPECT_EQ(log.find("opening Users table"), std::string::npos) << log;
    EXPECT_EQ(log.find("ODBCOpenDatabase"), std::string::npos) << log;
    // With a user the failed open is on the page, then the refusal, under
    // the one header of the response.
    r = s.site.Run("User=boss");
    EXPECT_NE(r.out.find("Error: "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - Refusal.size() + Header.size()), Refusal.substr(Header.size()));
    EXPECT_EQ(r.out.rfind("Content-Type"), 0u) << r.out;
}

TEST(Authorization, CredentialsStayOutOfTheLog) {
    AuthorizedSite s("Debug=true\r\n");
    EXPECT_EQ(s.site.Run("User=boss").out, Menu);
    const std::string log = s.site.Read("temp/vdconfig.log");
    EXPECT_NE(log.find("Opendatabase gParamsConnect=FILEDSN=" + s.dbs.ParameterPath() +
                       "DSN/VDWParams32.DSN;UID=vdadmin;PWD=****; ParameterPath=" + s.dbs.ParameterPath()),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("s3cret"), std::string::npos);
}

TEST(Authorization, ABrokenCredentialFileIsARefusalWithALine) {
    AuthorizedSite s;
    s.site.Write("params/createdb.ini", "[DEFAULT]\r\nSQLKEY1=999\r\nSQLKEY2=999\r\n");
    CgiResult r = s.site.Run("User=boss");
    EXPECT_EQ(r.out, Refusal);
    EXPECT_EQ(r.err, "vdconfig: error (5) Invalid procedure call or argument; User=boss\n");
}
