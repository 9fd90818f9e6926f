// The supervisor test: the user's row of Users, matched exactly without
// regard to case, with UserSuper -1.
#include "data_fixture.h"

#include "data/Authorization.h"

using namespace vd;

TEST_F(DataLayerTest, SupervisorIsTheRowWithUserSuperMinusOne) {
    dbs.AddUser("boss", "-1");
    dbs.AddUser("clerk", "0");
    dbs.AddUser("one", "1");
    dbs.AddUser("blank", "NULL");
    dbs.AddUser("o'neil", "-1");
    dbs.AddUser("50%off", "-1");
    dbs.AddUser("a_b", "-1");
    EXPECT_TRUE(IsUserSupervisor(Data(), "boss"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "BOSS"));  // SQLite's "=" tells cases apart
    EXPECT_FALSE(IsUserSupervisor(Data(), "clerk"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "one"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "blank"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "nobody"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "boss "));
    EXPECT_TRUE(IsUserSupervisor(Data(), "o'neil"));
    // "%" and "_" are characters of the id, not patterns.
    EXPECT_TRUE(IsUserSupervisor(Data(), "50%off"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "%"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "b%"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "50%"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "a%b"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "axb"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "' OR '1'='1"));
    EXPECT_EQ(Output(), "");
    const std::string log = Log();
    EXPECT_NE(log.find("opening Users table"), std::string::npos);
    EXPECT_NE(log.find("seeking Userid=o'neil"), std::string::npos);
    EXPECT_NE(log.find("seekrec - select * from Users where UserID='o''neil'  order by UserID"), std::string::npos)
        << log;
    // The connection stays open for the run.
    EXPECT_TRUE(Data().Params.IsOpen());
}

TEST_F(DataLayerTest, SupervisorTestWithCaseTwins) {
    // A case-sensitive database may hold the same id in two spellings: the
    // exact spelling decides, else the first in UserID order.
    dbs.AddUser("JOE", "0");
    dbs.AddUser("joe", "-1");
    EXPECT_TRUE(IsUserSupervisor(Data(), "joe"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "JOE"));
    EXPECT_FALSE(IsUserSupervisor(Data(), "Joe"));
}

TEST_F(DataLayerTest, EmptyUserNeverOpensTheDatabase) {
    dbs.AddUser("", "-1");
    EXPECT_FALSE(IsUserSupervisor(Data(), ""));
    EXPECT_FALSE(Data().Params.IsOpen());
    EXPECT_EQ(Log(), "");
}

TEST_F(DataLayerTest, UnreadableUsersTableIsThrown) {
    dbs.AddUser("boss", "-1");
    site.Write("params/DSN/VDWParams32.DSN", "[ODBC]\r\nDRIVER=NoSuchDriver\r\n");
    EXPECT_THROW(IsUserSupervisor(Data(), "boss"), DbError);  // the failed connect
    EXPECT_EQ(Output(), "");
    // A Users table whose columns are in another order is read as it stands.
    ForgetConnections();
    site.Write("params/DSN/VDWParams32.DSN", "[ODBC]\r\nDRIVER=SQLite3\r\nDatabase=" + dbs.ParamsDb() + "\r\n");
    dbs.Exec(dbs.ParamsDb(), "DROP TABLE Users");
    dbs.Exec(dbs.ParamsDb(), "CREATE TABLE Users (UserID varchar (60), UserSuper smallint)");
    dbs.Exec(dbs.ParamsDb(), "insert into Users values ('boss', -1)");
    try {
        IsUserSupervisor(Data(), "boss");
        ADD_FAILURE() << "no failure";
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, Err::Subscript);
    }
}
