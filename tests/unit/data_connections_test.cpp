// Connections: credentials, connection strings, file data sources, opening
// tables by name, the application databases and the catalogue.
#include "data_fixture.h"

#include "base/Program.h"
#include "base/RunError.h"
#include "data/tables/Catalogue.h"
#include "settings/IniFiles.h"
#include "support/CatalogueTables.h"
#include "support/IniWrites.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

using namespace vd;
using vdtest::clsTransactions;
using vdtest::clsUser_Accounts;
using vdtest::clsWVDUsers;
using vdtest::CodeTableStatements;
using vdtest::CreateCatalogueTable;
using vdtest::CreationStatements;
using vdtest::TableStatements;

namespace {

int RunVdkeys(const std::vector<std::string>& args, const std::string& input = "") {
    int in[2];
    if (pipe(in) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        close(in[0]);
        close(in[1]);
        std::vector<char*> argv{const_cast<char*>(VDKEYS_BINARY)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VDKEYS_BINARY, argv.data());
        _exit(127);
    }
    close(in[0]);
    if (!input.empty() && write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) return -1;
    close(in[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A table of the parameters database created on a connection of its own:
// true when it was created.
bool CreateParams(Databases& data, const std::string& table, const TableStatements& statements) {
    OdbcConnection connection;
    OpenParamsDatabase(data, connection);
    return CreateCatalogueTable(connection, table, statements);
}

}  // namespace

TEST_F(DataLayerTest, UnscrambleKeyReversesVdkeys) {
    const std::string file = site.Root() + "/keys.ini";
    const std::vector<std::string> samples = {"sa", "", "P@ss w;rd='x'", std::string(300, 'z') + "end",
                                              "caf\xC3\xA9 \x7F\x01", "X1X2XX"};
    for (const auto& user : samples) {
        ASSERT_EQ(RunVdkeys({file, user, "pw-" + user}), 0);
        EXPECT_EQ(UnscrambleKey(ReadIniString(file, "DEFAULT", "SQLKEY1")), user);
        EXPECT_EQ(UnscrambleKey(ReadIniString(file, "DEFAULT", "SQLKEY2")), "pw-" + user);
    }
    // The password from standard input; other lines of the file stay.
    vdtest::WriteIniString(file, "Other", "Key", "kept");
    ASSERT_EQ(RunVdkeys({file, "admin"}, "from stdin\r\n"), 0);
    EXPECT_EQ(UnscrambleKey(ReadIniString(file, "DEFAULT", "SQLKEY2")), "from stdin");
    EXPECT_EQ(ReadIniString(file, "Other", "Key"), "kept");
    EXPECT_EQ(RunVdkeys({file}), 2);
    EXPECT_EQ(RunVdkeys({site.Root() + "/no/such/folder/createdb.ini", "a", "b"}), 1);

    EXPECT_EQ(UnscrambleKey(""), "");
    // Groups of three digits, the filler removed; a filler right after a
    // removed one stays.
    EXPECT_EQ(UnscrambleKey("065X067"), "AB");
    EXPECT_EQ(UnscrambleKey("065067"), "AB");
    EXPECT_THROW(UnscrambleKey("065XX067"), RunError);  // "X06" is no code
    EXPECT_THROW(UnscrambleKey("999"), RunError);
}

TEST_F(DataLayerTest, ParamsConnectionStringAndMaskedLog) {
    OdbcConnection c;
    ASSERT_TRUE(Shown([&] { OpenParamsDatabase(Data(), c); }));
    EXPECT_EQ(Data().ParamsConnect, "FILEDSN=" + dbs.ParameterPath() + "DSN/VDWParams32.DSN;UID=vdadmin;PWD=s3cret;");
    EXPECT_EQ(Data().SqlUser, "vdadmin");
    EXPECT_EQ(Data().SqlPassword, "s3cret");
    const std::string log = Log();
    EXPECT_NE(log.find("Opendatabase gParamsConnect=FILEDSN=" + dbs.ParameterPath() +
                       "DSN/VDWParams32.DSN;UID=vdadmin;PWD=****; ParameterPath=" + dbs.ParameterPath() + " "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Open succeeded"), std::string::npos);
    EXPECT_EQ(log.find("s3cret"), std::string::npos);
    // The string is built once: a changed createdb.ini is not read again.
    site.Write("params/createdb.ini", "");
    ODBCCloseDatabase(c);
    ASSERT_TRUE(Shown([&] { OpenParamsDatabase(Data(), c); }));
    EXPECT_EQ(Data().SqlPassword, "s3cret");

    EXPECT_EQ(MaskPassword("A=1;PWD=x;UID=u;"), "A=1;PWD=****;UID=u;");
    EXPECT_EQ(MaskPassword("UID=u;PWD=;"), "UID=u;PWD=;");
    EXPECT_EQ(MaskPassword("uid=u; pwd =secret"), "uid=u; pwd =****");
    EXPECT_EQ(MaskPassword(""), "");
}

TEST_F(DataLayerTest, AccountingStringUsesTheProgramFolder) {
    OdbcConnection c;
    EXPECT_FALSE(Shown([&] { OpenWVDAccounting(Data(), c); }));  // no data source beside the test program
    EXPECT_EQ(Data().AccountingConnect, "FILEDSN=" + ExecutableFolder() + "/DSN/WVDAccounting.DSN;UID=vdadmin;PWD=s3cret;");
    EXPECT_NE(Log().find("OpenWVDAccounting WVDAccountingConnect=FILEDSN=" + ExecutableFolder() +
                         "/DSN/WVDAccounting.DSN;UID=vdadmin;PWD=****;"),
              std::string::npos);
    EXPECT_NE(Output().find("Error: IM002"), std::string::npos);

    // With the site's data source: an alias names the record and its grid.
    Data().AccountingConnect = "FILEDSN=" + site.Root() + "/DSN/WVDAccounting.DSN;UID=vdadmin;PWD=s3cret;";
    TableInfo plans;
    ASSERT_TRUE(Shown([&] { InitWVDAccounting(Data(), c, "Rate_Schedule", plans, "Plans2"); }));
    EXPECT_EQ(plans.Name, "Plans2");
    EXPECT_EQ(plans.FieldCount, clsRate_Schedule{}.FieldCount);
    EXPECT_EQ(GridCell(plans, 0, 0), "application");
    EXPECT_NE(Log().find("InitWVDAccounting ODBCInfo named Plans2"), std::string::npos);
    TableInfo plain;
    ASSERT_TRUE(Shown([&] { InitWVDAccounting(Data(), c, "Rate_Schedule", plain); }));
    EXPECT_EQ(plain.Name, "Rate_Schedule");
    ODBCCloseTbl(plans);
    ODBCCloseTbl(plain);
    ODBCCloseDatabase(c);
    EXPECT_FALSE(c.IsOpen());
}

TEST_F(DataLayerTest, FileDsnIsResolvedFromItsOdbcSection) {
    const std::string dsn = site.Root() + "/Some.DSN";
    site.Write("Some.DSN", "\xEF\xBB\xBF[Other]\r\nDRIVER=Wrong\r\n[odbc]\r\n DRIVER = SQLite3 \r\n"
                           "Database=\"/x/a;b.db\"\r\n;comment=1\r\nTimeout=5000\r\nUID=fileuser\r\n"
                           "DRIVER=second\r\n[ODBC]\r\nExtra=ignored\r\n");
    EXPECT_EQ(ResolveFileDsn("FILEDSN=" + dsn + ";UID=u;PWD=p;"),
              "DRIVER=SQLite3;Database={/x/a;b.db};Timeout=5000;UID=u;PWD=p;");
    EXPECT_EQ(ResolveFileDsn("UID=u;FILEDSN={" + dsn + "}"), "DRIVER=SQLite3;Database={/x/a;b.db};Timeout=5000;UID=u;");
    EXPECT_EQ(ResolveFileDsn("FILEDSN=" + site.Root() + "/none.dsn;UID=u;PWD=;"), "UID=u;PWD=;");
    EXPECT_EQ(ResolveFileDsn("DRIVER=SQLite3;Database=/a.db"), "DRIVER=SQLite3;Database=/a.db");
    // The file's name is used as written, capitals and all.
    OdbcConnection c;
    EXPECT_TRUE(Shown([&] { ODBCOpenDatabase(c, "FILEDSN=" + dbs.ParameterPath() + "DSN/VDWParams32.DSN;UID=a;PWD=b;"); }));
}

// Two data sources that resolve to one connection string (another file,
// the same driver, database and user) share the run's first connection,
// whichever opens first; another database gets its own.
TEST_F(DataLayerTest, DataSourcesOnOneDatabaseShareOneConnection) {
    const std::string params = vdtest::ReadFile(dbs.ParameterPath() + "DSN/VDWParams32.DSN");
    site.Write("one/DSN/WVDAccounting.DSN", params);
    site.Write("other/DSN/WVDAccounting.DSN", params + "StepAPI=0\r\n");
    for (const bool paramsFirst : {true, false}) {
        ForgetConnections();
        Data().ProgramFolder = site.Root() + "/one";
        OdbcConnection a, b;
        auto openParams = [&] { OpenParamsDatabase(Data(), a); };
        if (paramsFirst) {
            ASSERT_TRUE(Shown(openParams));
        }
        ASSERT_TRUE(Shown([&] { OpenWVDAccounting(Data(), b); }));
        if (!paramsFirst) {
            ASSERT_TRUE(Shown(openParams));
        }
        EXPECT_EQ(Data().Params.Link(), Data().Accounting.Link());
        EXPECT_EQ(a.Link(), b.Link());
        EXPECT_NE(Log().find("Both data sources name one database: one connection for both"), std::string::npos);
    }
    ForgetConnections();
    ClearLog();
    Data().ProgramFolder = site.Root() + "/other";
    OdbcConnection a, b;
    ASSERT_TRUE(Shown([&] { OpenParamsDatabase(Data(), a); }));
    ASSERT_TRUE(Shown([&] { OpenWVDAccounting(Data(), b); }));
    EXPECT_NE(Data().Params.Link(), Data().Accounting.Link());
    EXPECT_EQ(Log().find("one connection for both"), std::string::npos);
}

TEST_F(DataLayerTest, InitParamsOpensTheConnectionOnce) {
    TableInfo drives;
    ASSERT_TRUE(Shown([&] { InitParams(Data(), Data().Params, "Drives", drives); }));
    EXPECT_EQ(drives.Name, "Drives");
    EXPECT_EQ(drives.FieldCount, 4);
    EXPECT_TRUE(Data().Params.IsOpen());
    EXPECT_NE(Log().find("InitParams - setting tablename = Drives"), std::string::npos);
    ClearLog();
    TableInfo missing;
    EXPECT_FALSE(Shown([&] { InitParams(Data(), Data().Params, "NoSuch", missing); }));
    EXPECT_EQ(Log().find("Opendatabase"), std::string::npos);
    EXPECT_NE(Log().find("Initparams(2) failed for table NoSuch"), std::string::npos);
    EXPECT_NE(Output().find("no such table: NoSuch"), std::string::npos);
    ODBCCloseTbl(drives);

    // Without a data source the open fails and says so.
    ForgetConnections();
    site.Write("params/DSN/VDWParams32.DSN", "");
    EXPECT_FALSE(Shown([&] { InitParams(Data(), Data().Params, "Drives", drives); }));
    EXPECT_NE(Log().find("Open failed"), std::string::npos);
    EXPECT_NE(Log().find("Initparams failed for table Drives"), std::string::npos);
}

TEST_F(DataLayerTest, CatalogueTableThatExistsIsLeftAlone) {
    const std::string appDb = site.Root() + "/abc.db";
    site.Write("params/DSN/ABCvdw0132.dsn", "[ODBC]\r\nDRIVER=SQLite3\r\nDatabase=" + appDb + "\r\n");
    dbs.Exec(appDb, "CREATE TABLE TitleAbstract (Code varchar (15), Description varchar (100) NULL, Tracts text NULL, "
                    "Arbs text NULL, ReplaceCode varchar (15) NULL)");
    OdbcConnection app;
    ASSERT_TRUE(Shown([&] { ODBCOpenDatabase(app, "FILEDSN=" + dbs.ParameterPath() + "DSN/ABCvdw0132.dsn;"); }));
    EXPECT_TRUE(TableExists(app, "TitleAbstract"));
    EXPECT_FALSE(CreateCatalogueTable(app, clsTitleAbstract::TableName, CreationStatements("TitleAbstract")));
    EXPECT_EQ(dbs.Query(appDb, "select count(*) from sqlite_master")[0][0], "1");
}

// The catalogue's column names appear in its CREATE statement (and so in
// scripts/schema/params.sql, above) or in scripts/schema/billing.sql and
// plan-tokens.sql, in
// their order: --check reads them from the catalogue.
TEST(Catalogue, ColumnNamesAreTheSchemasInOrder) {
    auto inOrder = [](const std::string& text, const auto& names) {
        size_t at = 0;
        for (const char* name : names) {
            at = text.find(std::string(name) + " ", at);
            if (at == std::string::npos) return testing::AssertionFailure() << name << " missing or out of order";
        }
        return testing::AssertionSuccess();
    };
    EXPECT_TRUE(inOrder(CreationStatements("Users").Create, clsUsers::ColumnNames));
    EXPECT_TRUE(inOrder(CreationStatements("Drives").Create, clsDrives::ColumnNames));
    EXPECT_TRUE(inOrder(CreationStatements("Applications").Create, clsApplications::ColumnNames));
    EXPECT_TRUE(inOrder(CreationStatements("DocumentTypes").Create, clsDocumentTypes::ColumnNames));
    const std::string billing = vdtest::ReadFile(std::string(VD_SOURCE_DIR) + "/scripts/schema/billing.sql");
    EXPECT_TRUE(inOrder(billing.substr(billing.find("CREATE TABLE Rate_Schedule")), clsRate_Schedule::ColumnNames));
    const std::string tokens = vdtest::ReadFile(std::string(VD_SOURCE_DIR) + "/scripts/schema/plan-tokens.sql");
    EXPECT_TRUE(inOrder(tokens.substr(tokens.find("CREATE TABLE")), clsPlanTokens::ColumnNames));
}

TEST_F(DataLayerTest, CataloguePositionsMatchTheSchema) {
    EXPECT_EQ(clsUsers{}.UserID, 0);
    EXPECT_EQ(clsUsers{}.UserSuper, 8);
    EXPECT_EQ(clsDocumentTypes{}.DatabaseType, 7);
    EXPECT_EQ(clsRate_Schedule{}.Max_PageView_Overcharge, 24);
    EXPECT_EQ(clsTransactions{}.KeyList2, "2;0;1;3;4");
    EXPECT_EQ(clsTransactions{}.Position[21], 21);
    EXPECT_EQ(clsUser_Accounts{}.Position.size(), 10u);
    EXPECT_EQ(clsUser_Accounts{}.FieldCount, 11);
    EXPECT_EQ(clsWVDUsers{}.TableName, "Users");
    EXPECT_EQ(clsWVDUsers{}.Position[34], 34);
    // Every entry of the parameters database against the schema file: the
    // column at each position carries the member's name.
    struct Entry {
        std::string table;
        int count;
        std::vector<std::pair<int, std::string>> columns;
    };
    const clsDrives dr;
    const clsApplications ap;
    const clsDocumentTypes dt;
    const clsUsers us;
    const clsPassword pw;
    const clsQueues qu;
    const clsCartridges ca;
    const clsCustomSearch cs;
    const clsDBReferences db;
    const std::vector<Entry> entries = {
        {dr.TableName, dr.FieldCount, {{dr.Drive, "Drive"}, {dr.ArchiveEnabled, "ArchiveEnabled"}}},
        {ap.TableName, ap.FieldCount, {{ap.ApplicationID, "ApplicationID"}, {ap.ImagesPerFolder, "ImagesPerFolder"}}},
        {dt.TableName, dt.FieldCount, {{dt.DocTypeId, "DocTypeId"}, {dt.DatabaseType, "DatabaseType"},
                                       {dt.DatabaseDataSourceName, "DatabaseDataSourceName"}, {dt.MEFieldNums, "MEFieldNums"}}},
        {us.TableName, us.FieldCount, {{us.UserID, "UserID"}, {us.UserSuper, "UserSuper"}, {us.UserInternet, "UserInternet"}}},
        {pw.TableName, pw.FieldCount, {{pw.Password, "Password"}, {pw.SecurityEnabled, "SecurityEnabled"}}},
        {qu.TableName, qu.FieldCount, {{qu.QueueUser, "QueueUser"}, {qu.QueueNoImage, "QueueNoImage"}}},
        {ca.TableName, ca.FieldCount, {{ca.MBLimit, "MBLimit"}, {ca.NewCart, "NewCart"}}},
        {cs.TableName, cs.FieldCount, {{cs.Users, "Users"}, {cs.HitListFields, "HitListFields"}}},
        {db.TableName, db.FieldCount, {{db.ReferenceSet, "ReferenceSet"}, {db.TargetReferenceFields, "TargetReferenceFields"}}},
    };
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    for (const auto& e : entries) {
        TableInfo r;
        r.Name = e.table;
        ASSERT_TRUE(Shown([&] { ODBCOpenTbl(c, e.table, r, ""); }));
        EXPECT_EQ(r.FieldCount, e.count) << e.table;
        for (const auto& [pos, name] : e.columns) EXPECT_EQ(r.Field(pos).Name, name) << e.table;
        ODBCCloseTbl(r);
    }
    OdbcConnection b;
    ASSERT_TRUE(OpenBilling(b));
    TableInfo plans;
    ASSERT_TRUE(Shown([&] { ODBCOpenTbl(b, "Rate_Schedule", plans, ""); }));
    EXPECT_EQ(plans.FieldCount, 25);
    EXPECT_EQ(plans.Field(clsRate_Schedule{}.Hide_level).Name, "Hide_level");
    EXPECT_EQ(plans.Field(clsRate_Schedule{}.Tax_Policy).Size, 255);
    ODBCCloseTbl(plans);
}

TEST_F(DataLayerTest, CreateTableStatementsAndExistingTables) {
    const std::string schema = vdtest::ReadFile(std::string(VD_SOURCE_DIR) + "/scripts/schema/params.sql");
    for (const char* create :
         {"Drives", "Applications", "DocumentTypes", "Users", "Password", "Queues", "Cartridges", "CustomSearch",
          "DBReferences"})
        EXPECT_NE(schema.find(CreationStatements(create).Create + ";"), std::string::npos) << create;
    EXPECT_EQ(CreationStatements("Applications").Create,
              "CREATE TABLE Applications (ApplicationID varchar (3) NULL ,ApplicationName varchar (30) NULL ,"
              "LastImage varchar (8) NULL ,FolderNaming smallint NULL ,ImagesPerFolder smallint NULL)");
    EXPECT_EQ(CreationStatements("DocumentTypes").Index, "CREATE UNIQUE INDEX PrimeKey ON DocumentTypes(DocTypeAppl, DocTypeID)");
    EXPECT_EQ(CreationStatements("Password").Index, "");
    EXPECT_EQ(CodeTableStatements("Counties").Create,
              "CREATE TABLE Counties (Code varchar (15), Description varchar (100) NULL)");
    EXPECT_EQ(CodeTableStatements("Counties").Index, "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON Counties(Code)");
    EXPECT_EQ(CreationStatements("TitleSubdivision").Create,
              "CREATE TABLE TitleSubdivision (Code varchar (15), Description varchar (100) NULL, Blocks text NULL, "
              "Lots text NULL, DetailLevel smallint NULL, Arbs text NULL, NoBlocks smallint  NULL, NoLots smallint "
              "NULL, Sub_Comments text NULL, Sub_Close_Flag smallint NULL, Close_Flags text NULL, Close_Comments text "
              "NULL)");
    EXPECT_EQ(CreationStatements("TitleAbstract").Index, "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON TitleAbstract(Code)");

    // Tables that exist are left alone.
    const auto before = dbs.Query(dbs.ParamsDb(), "select name from sqlite_master order by name");
    for (const char* table : {"Drives", "Users", "Password"})
        EXPECT_FALSE(CreateParams(Data(), table, CreationStatements(table))) << table;
    dbs.Exec(dbs.ParamsDb(), "CREATE TABLE Counties (Code varchar (15), Description varchar (100) NULL)");
    EXPECT_FALSE(CreateParams(Data(), "Counties", CodeTableStatements("Counties")));
    dbs.Exec(dbs.ParamsDb(), "DROP TABLE Counties");
    EXPECT_EQ(dbs.Query(dbs.ParamsDb(), "select name from sqlite_master order by name"), before);
    EXPECT_EQ(Output(), "");

    // A database without the table gets it with its index (in a new run:
    // the run keeps its connection).
    ForgetConnections();
    std::filesystem::remove(dbs.ParamsDb());
    EXPECT_TRUE(CreateParams(Data(), "Drives", CreationStatements("Drives")));
    EXPECT_TRUE(CreateParams(Data(), "Password", CreationStatements("Password")));
    EXPECT_EQ(dbs.Query(dbs.ParamsDb(), "select type, name, tbl_name from sqlite_master order by name"),
              (std::vector<std::vector<std::string>>{
                  {"table", "Drives", "Drives"}, {"table", "Password", "Password"}, {"index", "PrimeKey", "Drives"}}));
    EXPECT_EQ(Output(), "");
    // A statement the database refuses is reported on the error page.
    EXPECT_FALSE(Shown([&] { CreateParams(Data(), "Counties", CodeTableStatements("Counties")); }));
    EXPECT_NE(Output().find("Error: "), std::string::npos);
}
