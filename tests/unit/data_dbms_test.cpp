// The database system a connection reaches, which decides how ODBCEdit
// writes the column names of its key conditions.
#include "data_fixture.h"

using namespace vd;

TEST(DbmsNames, BracketsOnlyForSystemsThatTakeThem) {
    for (const char* name : {"SQLite", "sqlite", "Microsoft SQL Server", "ACCESS", "Access"})
        EXPECT_TRUE(AcceptsBracketNames(name)) << name;
    for (const char* name : {"PostgreSQL", "MySQL", "Oracle", "DB2/LINUXX8664", "", "SQLite-like"})
        EXPECT_FALSE(AcceptsBracketNames(name)) << name;
}

TEST_F(DataLayerTest, ConnectionKnowsItsDatabaseSystemWhileOpen) {
    OdbcConnection c;
    EXPECT_EQ(c.DbmsName(), "");
    ASSERT_TRUE(OpenParams(c));
    EXPECT_EQ(c.DbmsName(), "SQLite");
    // An update on it names its keys in brackets and goes through.
    dbs.Exec(dbs.ParamsDb(), "insert into Drives (Drive, DriveType) values ('A', 'CD')");
    TableInfo drives;
    drives.Name = "Drives";
    ASSERT_TRUE(Shown([&] { ODBCOpenTbl(c, "Drives", drives, ""); }));
    drives.Field(0).Value = "A";
    drives.Field(1).Value = "HD";
    EXPECT_TRUE(Shown([&] { ODBCEdit(c, "Drives", drives, "0;"); }));
    EXPECT_EQ(dbs.Query(dbs.ParamsDb(), "select DriveType from Drives"),
              (std::vector<std::vector<std::string>>{{"HD"}}));
    ODBCCloseTbl(drives);
    ODBCCloseDatabase(c);
    EXPECT_EQ(c.DbmsName(), "");
    EXPECT_EQ(Output(), "");
}
