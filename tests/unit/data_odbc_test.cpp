// The ODBC layer and the records' grids against the real driver manager and
// the SQLite ODBC driver.
#include "data_fixture.h"

#include "base/RunError.h"
#include "data/Transaction.h"

using namespace vd;

namespace {

const char* const Q = "\"";

// Rows of a record's grid as text, for whole-grid comparisons.
std::vector<std::vector<std::string>> GridRows(const TableInfo& record, int cols) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < GridRowCount(record); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < cols; ++c) row.push_back(GridCell(record, r, c));
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST_F(DataLayerTest, EmptyCriteriaLoadsColumnsWithoutRows) {
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    TableInfo users;
    users.Name = "Users";
    ASSERT_TRUE(Shown([&] { ODBCOpenTbl(c, "Users", users, ""); }));
    EXPECT_EQ(users.FieldCount, 13);
    EXPECT_EQ(users.RecordCount, 0);
    EXPECT_TRUE(users.NoMatch);
    EXPECT_TRUE(users.Eof);
    EXPECT_EQ(users.Field(0).Name, "UserID");
    EXPECT_EQ(users.Field(0).Type, FieldType::Text);
    EXPECT_EQ(users.Field(0).Size, 60);
    EXPECT_EQ(users.Field(8).Name, "UserSuper");
    EXPECT_EQ(users.Field(8).Type, FieldType::SmallInt);
    EXPECT_EQ(users.Field(10).Name, "UserAppDb");
    EXPECT_EQ(users.Field(10).Type, FieldType::LongText);  // text: long text, size 0
    EXPECT_EQ(users.Field(10).Size, 0);
    EXPECT_FALSE(users.Field(0).Value.IsFilled());
    EXPECT_EQ(GridRowCount(users), 2);
    EXPECT_EQ(GridCell(users, 0, 0), "UserID");
    EXPECT_EQ(GridCell(users, 0, 12), "UserInternet");
    EXPECT_THROW(users.Field(13), RunError);
    ODBCCloseTbl(users);
}

TEST_F(DataLayerTest, TypeCodesNullTimestampsAndLongValues) {
    dbs.Exec(dbs.ParamsDb(),
             "CREATE TABLE Kinds (s smallint, i integer, d double precision, n numeric(19,2), v varchar (20), "
             "t timestamp, b bit, y tinyint, big bigint, dt date, tm time, memo text, wide varchar (1000))");
    const std::string longText(70000, 'x');
    dbs.Exec(dbs.ParamsDb(), "insert into Kinds values (-1, 70000, 2.5, 12.25, 'a\tb', '2024-01-02 03:04:05.678', 1, 2, "
                             "123456789012, '2024-01-02', '03:04:05', '" + longText + "', '" + std::string(1000, 'p') + "')");
    dbs.Exec(dbs.ParamsDb(), "insert into Kinds values (NULL, NULL, NULL, NULL, NULL, '2024-05-06 07:08:09', NULL, NULL, "
                             "NULL, NULL, NULL, NULL, NULL)");
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    TableInfo r;
    r.Name = "Kinds";
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select * from Kinds", c, r); }));
    const std::vector<int> codes = {3, 4, 7, 7, 10, 8, 1, 2, -5, 9, 10, 12, 12};
    ASSERT_EQ(r.FieldCount, static_cast<int>(codes.size()));
    for (size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(static_cast<int>(r.Fields[i].Type), codes[i]) << r.Fields[i].Name;
    EXPECT_EQ(r.Field(4).Size, 20);
    EXPECT_EQ(r.Field(12).Size, 0);
    EXPECT_EQ(r.RecordCount, 2);
    // First row: numbers stay numbers, the timestamp loses its fraction,
    // long values come whole.
    EXPECT_TRUE(r.Field(0).Value.IsNumber());
    EXPECT_EQ(r.Field(0).Value.ToDouble(), -1);
    EXPECT_EQ(r.Field(1).Value.ToDouble(), 70000);
    EXPECT_EQ(r.Field(2).Value.ToDouble(), 2.5);
    EXPECT_EQ(r.Field(4).Value.Text(), "a\tb");
    EXPECT_EQ(r.Field(5).Value.Text(), "2024-01-02 03:04:05");
    EXPECT_EQ(r.Field(8).Value.Text(), "123456789012");
    EXPECT_EQ(r.Field(11).Value.Text(), longText);
    EXPECT_EQ(r.Field(12).Value.Text().size(), 1000u);
    EXPECT_EQ(GridCell(r, 2, 0), "-1");
    EXPECT_EQ(GridCell(r, 2, 4), "a\tb");  // a TAB stays inside its cell
    EXPECT_EQ(GridCell(r, 2, 5), "2024-01-02 03:04:05");
    EXPECT_EQ(GridCell(r, 2, 11).size(), 70000u);
    EXPECT_EQ(GridCell(r, 2, 6), "1");
    // After a move the values are texts; NULL is the empty text.
    ODBCMoveFirst(r);
    EXPECT_TRUE(r.Field(0).Value.CountsAsText());
    EXPECT_EQ(r.Field(0).Value.Text(), "-1");
    ODBCMoveNext(r);
    for (int i : {0, 1, 2, 3, 4, 6, 11}) {
        EXPECT_EQ(r.Field(i).Value.Text(), "") << i;
        EXPECT_FALSE(r.Field(i).Value.IsFilled()) << i;
    }
    EXPECT_EQ(GridCell(r, 3, 0), "");
    EXPECT_EQ(r.Field(5).Value.Text(), "2024-05-06 07:08:09");
    // NULL in the first row of a load is empty as well.
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select s, v from Kinds where s is null", c, r); }));
    EXPECT_FALSE(r.Field(0).Value.IsFilled());
    EXPECT_EQ(r.Field(1).Value.Text(), "");
    ODBCCloseTbl(r);
}

TEST_F(DataLayerTest, TextsAroundTheFetchBufferComeWhole) {
    // Values longer than their declared size, at and past the bound buffer.
    dbs.Exec(dbs.ParamsDb(), "CREATE TABLE Texts (n smallint, v varchar (5), d double precision)");
    std::vector<std::string> values;
    for (size_t length : {0, 5, 254, 255, 256, 257, 511, 600}) {
        std::string v;
        for (size_t k = 0; k < length; ++k) v += static_cast<char>('a' + (k * 7 + length) % 26);
        values.push_back(v);
        dbs.Exec(dbs.ParamsDb(), "insert into Texts values (" + std::to_string(values.size()) + ", '" + v + "', 0.1)");
    }
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    TableInfo r;
    r.Name = "Texts";
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select * from Texts order by n", c, r); }));
    ASSERT_EQ(r.RecordCount, static_cast<int>(values.size()));
    EXPECT_TRUE(r.Field(2).Value.IsNumber());
    for (size_t k = 0; k < values.size(); ++k) {
        if (k) ODBCMoveNext(r);
        EXPECT_EQ(r.Field(1).Value.Text(), values[k]) << values[k].size();
        // After a move a number is its text.
        if (k) {
            EXPECT_TRUE(r.Field(2).Value.CountsAsText());
            EXPECT_EQ(r.Field(2).Value, FieldValue("0.1"));
            EXPECT_EQ(r.Field(2).Value.ToDouble(), 0.1);
        }
    }
    ODBCCloseTbl(r);
}

TEST_F(DataLayerTest, RowsLoadFromRowTwoAndMoveInOrder) {
    dbs.AddUser("ann", "0");
    dbs.AddUser("bob", "-1");
    dbs.AddUser("cy", "NULL");
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    TableInfo r;
    r.Name = "Users";
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select UserID, UserSuper from Users order by UserID", c, r); }));
    EXPECT_TRUE(r.AtFirst);
    EXPECT_FALSE(r.NoMatch);
    EXPECT_FALSE(r.Eof);
    EXPECT_EQ(r.RecordCount, 3);
    EXPECT_EQ(r.Field(0).Value.Text(), "ann");
    EXPECT_EQ(GridRows(r, 2), (std::vector<std::vector<std::string>>{
                                     {"UserID", "UserSuper"}, {"", ""}, {"ann", "0"}, {"bob", "-1"}, {"cy", ""}}));
    ODBCMoveFirst(r);
    EXPECT_EQ(r.CurrentRow, 1);
    EXPECT_TRUE(r.AtFirst);
    ODBCMoveNext(r);
    ODBCMoveNext(r);
    EXPECT_EQ(r.CurrentRow, 3);
    EXPECT_FALSE(r.Eof);
    EXPECT_FALSE(r.AtFirst);
    EXPECT_EQ(r.Field(0).Value.Text(), "cy");
    ODBCMoveNext(r);
    EXPECT_TRUE(r.Eof);
    EXPECT_EQ(r.CurrentRow, 3);
    EXPECT_EQ(r.Field(0).Value.Text(), "cy");
    EXPECT_NE(Log().find("ODBCMoveFirst GridIndex=" + std::to_string(r.Number.Get()) + " name=Users"), std::string::npos);

    // A load without rows leaves no row to move to.
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select UserID from Users where 0=1", c, r); }));
    EXPECT_TRUE(r.NoMatch);
    EXPECT_TRUE(r.Eof);
    ODBCMoveNext(r);
    EXPECT_TRUE(r.Eof);
    ODBCCloseTbl(r);
}

TEST_F(DataLayerTest, EachRecordHasAGridOfItsOwn) {
    dbs.AddUser("ann", "0");
    dbs.AddUser("bob", "-1");
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    TableInfo first, second, other;
    first.Name = second.Name = "Users";
    other.Name = "Drives";
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select UserID from Users order by UserID", c, first); }));
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select * from Drives", c, other); }));
    // A second record of the same name loads into a grid of its own.
    ASSERT_TRUE(Shown([&] { ODBCExecSQL("select UserID from Users where UserID='bob'", c, second); }));
    EXPECT_EQ(GridRowCount(first), 4);
    EXPECT_EQ(GridRowCount(second), 3);
    ODBCMoveFirst(first);
    EXPECT_EQ(first.Field(0).Value.Text(), "ann");
    // Each goes by its own number in the log, given at its first statement.
    EXPECT_GT(first.Number.Get(), 0);
    EXPECT_EQ(other.Number.Get(), first.Number.Get() + 1);
    EXPECT_EQ(second.Number.Get(), first.Number.Get() + 2);
    ODBCCloseTbl(first);
    EXPECT_EQ(GridRowCount(first), 0);
    EXPECT_EQ(GridRowCount(second), 3);
    EXPECT_NE(Log().find("ODBCCloseTbl: Closing grid " + std::to_string(first.Number.Get()) + " name = Users"),
              std::string::npos);
    // A copy is another record.
    TableInfo copy = second;
    EXPECT_FALSE(copy.Number.Given());
    ODBCCloseTbl(second);
    ODBCCloseTbl(other);
}

TEST_F(DataLayerTest, TablesAreListedAndFoundWithoutRegardToCase) {
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    std::vector<std::string> names = {"old"};
    ODBCListTables(c, names);
    EXPECT_EQ(names.size(), 9u);
    EXPECT_NE(std::find(names.begin(), names.end(), "DocumentTypes"), names.end());
    EXPECT_NE(names[0], "");
    EXPECT_TRUE(TableExists(c, "drives"));
    EXPECT_TRUE(TableExists(c, "Rate_Schedule") == false);
    OdbcConnection b;
    ASSERT_TRUE(OpenBilling(b));
    EXPECT_TRUE(TableExists(b, "RATE_SCHEDULE"));
    // An empty database lists one empty entry.
    OdbcConnection e;
    ASSERT_TRUE(Shown([&] { ODBCOpenDatabase(e, "DRIVER=SQLite3;Database=" + site.Root() + "/empty.db;"); }));
    ODBCListTables(e, names);
    EXPECT_EQ(names, std::vector<std::string>{""});
    EXPECT_EQ(Output(), "");
}

TEST_F(DataLayerTest, FailingStatementShowsTheErrorPageAndKeepsTheColumns) {
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    TableInfo r;
    r.Name = "Users";
    ASSERT_TRUE(Shown([&] { ODBCOpenTbl(c, "Users", r, ""); }));
    ClearLog();
    EXPECT_FALSE(Shown([&] { ODBCExecSQL("select * from NoSuchTable", c, r); }));
    EXPECT_EQ(Output(), std::string("Content-Type: text/html\r\n\r\n") + vdtest::ErrTopTemplate + "<p align=" + Q +
                            "center" + Q + ">\r\n( 1) Error: S1000[SQLite]no such table: NoSuchTable (1)</p>\r\n" +
                            vdtest::ErrBottomTemplate);
    EXPECT_NE(Log().find("start of geterror"), std::string::npos);
    EXPECT_NE(Log().find("Error: 1S1000[SQLite]no such table: NoSuchTable (1)"), std::string::npos);
    // The record keeps its columns; the grid is cut back to header and empty row.
    EXPECT_EQ(r.FieldCount, 13);
    EXPECT_EQ(GridRowCount(r), 2);
    // The message is data and escaped on the page.
    EXPECT_FALSE(Shown([&] { ODBCExecSQL("select <b> from Users", c, r); }));
    EXPECT_NE(Output().find("near &quot;&lt;&quot;: syntax error"), std::string::npos);
    // A closed connection fails without a page of its own.
    OdbcConnection closed;
    EXPECT_FALSE(Shown([&] { ODBCExecSQL("select * from Users", closed, r); }));
    EXPECT_EQ(Output(), "");
    ODBCCloseTbl(r);
}

TEST_F(DataLayerTest, ConnectionsOpenCloseAndReportFailures) {
    OdbcConnection c;
    ODBCCloseDatabase(c);  // nothing to close
    EXPECT_FALSE(c.IsOpen());
    ASSERT_TRUE(OpenParams(c));
    EXPECT_TRUE(c.IsOpen());
    ODBCCloseDatabase(c);
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(Output(), "");
    EXPECT_FALSE(Shown([&] { ODBCOpenDatabase(c, "FILEDSN=" + site.Root() + "/missing.DSN;UID=a;PWD=b;"); }));
    EXPECT_FALSE(c.IsOpen());
    EXPECT_NE(Output().find("( 0) Error: IM002"), std::string::npos);
    EXPECT_NE(Log().find("Start of ODBCOpenDatabase"), std::string::npos);
}

TEST_F(DataLayerTest, ConnectionsShareOnlyWhenToldAndCountTheirTransaction) {
    OdbcConnection a, b, c;
    ASSERT_TRUE(OpenBilling(a));
    ASSERT_TRUE(OpenBilling(b));
    EXPECT_NE(a.Link(), b.Link());  // one connection string, two links
    c.Share(a);
    EXPECT_EQ(c.Link(), a.Link());
    {
        OdbcTransaction t(a);
        EXPECT_EQ(c.OpenTransactions(), 1);
        EXPECT_EQ(b.OpenTransactions(), 0);
        ExecStatement(c, "insert into Rate_Schedule (application, DocType, RateNum) values ('ABC', '01', 7)");
    }  // rolled back, with what c ran in it
    EXPECT_EQ(a.OpenTransactions(), 0);
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule where RateNum = 7")[0][0], "0");
    {
        OdbcTransaction t(c);
        ExecStatement(a, "insert into Rate_Schedule (application, DocType, RateNum) values ('ABC', '01', 8)");
        t.Commit();
    }
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule where RateNum = 8")[0][0], "1");
    // The link lives while one connection uses it.
    OdbcLink* const link = c.Link();
    ODBCCloseDatabase(a);
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(c.Link(), link);
    ExecStatement(c, "delete from Rate_Schedule where RateNum = 8");
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule where RateNum = 8")[0][0], "0");
}

// A second transaction on a link would join the first: it is refused as
// failure 5 before anything reaches the database, which may not refuse it
// itself, and the first goes on.
TEST_F(DataLayerTest, ASecondTransactionOnALinkIsRefusedBeforeItBegins) {
    OdbcConnection a, c;
    ASSERT_TRUE(OpenBilling(a));
    c.Share(a);
    OdbcTransaction t(a);
    try {
        OdbcTransaction nested(c);
        ADD_FAILURE() << "a second transaction began";
    } catch (const RunError& e) {
        EXPECT_EQ(dynamic_cast<const DbError*>(&e), nullptr) << e.Text;
        EXPECT_EQ(e.Number, Err::InvalidCall);
    }
    EXPECT_EQ(a.OpenTransactions(), 1);
    ExecStatement(c, "insert into Rate_Schedule (application, DocType, RateNum) values ('ABC', '01', 9)");
    t.Commit();
    EXPECT_EQ(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule where RateNum = 9")[0][0], "1");
}

TEST(OdbcErrors, ClassificationAndStripNull) {
    EXPECT_EQ(ClassifyOdbcError(-1102, "S1000"), 10);
    EXPECT_EQ(ClassifyOdbcError(-1102, "S1001"), -1);
    EXPECT_EQ(ClassifyOdbcError(1102, "S1000"), -1);
    EXPECT_EQ(ClassifyOdbcError(0, "08002"), 0);
    EXPECT_EQ(ClassifyOdbcError(0, "08003"), -1);
    EXPECT_EQ(ClassifyOdbcError(0, "00000"), -1);
    EXPECT_EQ(StripNull(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(StripNull("abc"), "abc");
    EXPECT_EQ(StripNull(std::string("\0", 1)), "");
}
