// Record access: the SQL built for seeking, storing and deleting rows, run
// on the real SQLite databases of a test site.
#include "data_fixture.h"

#include "base/RunError.h"
#include "data/tables/Catalogue.h"

using namespace vd;

namespace {

const clsRate_Schedule Plans;

// The debug log lines without their time stamps.
std::vector<std::string> LogLines(const std::string& log) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < log.size()) {
        size_t end = log.find("\r\n", pos);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(pos, end - pos);
        if (line.size() >= 9) line.erase(line.size() - 9);  // " hh:mm:ss"
        lines.push_back(line);
        pos = end + 2;
    }
    return lines;
}

bool Logged(const std::string& log, const std::string& line) {
    for (const auto& l : LogLines(log))
        if (l == line) return true;
    return false;
}

class RecordTest : public DataLayerTest {
protected:
    OdbcConnection billing;
    TableInfo plan;

    void SetUp() override {
        DataLayerTest::SetUp();
        ASSERT_TRUE(OpenBilling(billing));
        plan.Name = "Rate_Schedule";
        ASSERT_TRUE(Shown([&] { ODBCOpenTbl(billing, "Rate_Schedule", plan, ""); }));
    }
    void TearDown() override {
        ODBCCloseTbl(plan);
        DataLayerTest::TearDown();
    }

    void AddPlan(const std::string& appl, const std::string& docType, int num, const std::string& desc) {
        dbs.Exec(dbs.BillingDb(), "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description) values ('" +
                                      FixQuotes(appl) + "', '" + docType + "', " + std::to_string(num) + ", '" + desc + "')");
    }
    void SetKey(const FieldValue& appl, const FieldValue& docType, const FieldValue& num) {
        for (auto& f : plan.Fields) f.Value = FieldValue();
        plan.Field(Plans.application).Value = appl;
        plan.Field(Plans.DocType).Value = docType;
        plan.Field(Plans.RateNum).Value = num;
    }
    int PlanCount() { return std::stoi(dbs.Query(dbs.BillingDb(), "select count(*) from Rate_Schedule")[0][0]); }
};

}  // namespace

TEST(RecordText, FixQuotesAndNextToken) {
    EXPECT_EQ(FixQuotes("O'Brien"), "O''Brien");
    EXPECT_EQ(FixQuotes("''"), "''''");
    EXPECT_EQ(FixQuotes("plain"), "plain");
    std::string list = "0;1;2";
    EXPECT_EQ(NextToken(list, ";"), "0");
    EXPECT_EQ(list, "1;2");
    list = "2";
    EXPECT_EQ(NextToken(list, ";"), "2");
    EXPECT_EQ(list, "");
    EXPECT_EQ(NextToken(list, ";"), "");
    list = "a\r\nb";
    EXPECT_EQ(NextToken(list, "\r\n"), "a");
    EXPECT_EQ(list, "b");
}

TEST_F(RecordTest, SeekByKeysAndCount) {
    AddPlan("ABC", "01", 0, "zero");
    AddPlan("ABC", "01", 1, "one");
    AddPlan("ABC", "02", 0, "other");
    AddPlan("XYZ", "01", 0, "x");
    SetKey("ABC", "01", FieldValue());
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 2);
    EXPECT_TRUE(Logged(Log(), "seekrec - select * from Rate_Schedule where application='ABC' AND DocType='01'  order "
                              "by application,DocType,RateNum"))
        << Log();
    EXPECT_EQ(plan.FieldCount, 25);
    EXPECT_EQ(plan.Field(Plans.Rate_Description).Value.Text(), "zero");

    SetKey("ABC", "01", 1);
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 1);
    EXPECT_TRUE(Logged(Log(), "seekrec - select * from Rate_Schedule where application='ABC' AND DocType='01' AND "
                              "RateNum=1  order by application,DocType,RateNum"));
    EXPECT_EQ(plan.Field(Plans.Rate_Description).Value.Text(), "one");

    // "%" and "_" are characters of the key, never a pattern.
    SetKey("AB%", FieldValue(), FieldValue());
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 0);
    EXPECT_TRUE(Logged(Log(), "seekrec - select * from Rate_Schedule where application='AB%'  order by "
                              "application,DocType,RateNum"));
    SetKey("AB_", FieldValue(), FieldValue());
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 0);

    SetKey("ABC", FieldValue(), FieldValue());
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing, "", true), 1);
    EXPECT_TRUE(Logged(Log(), "seekrec - select count(application) from Rate_Schedule where application='ABC'  order "
                              "by application,DocType,RateNum"));
    EXPECT_EQ(plan.FieldCount, 1);
    EXPECT_EQ(plan.Field(0).Value.ToDouble(), 3);

    // No key values: every row, ordered by the key.
    ASSERT_TRUE(Shown([&] { ODBCOpenTbl(billing, "Rate_Schedule", plan, ""); }));
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 4);
    EXPECT_TRUE(Logged(Log(), "seekrec - select * from Rate_Schedule order by application,DocType,RateNum"));
    // An empty key list takes the set fields and the extra clause.
    ASSERT_TRUE(Shown([&] { ODBCOpenTbl(billing, "Rate_Schedule", plan, ""); }));
    EXPECT_EQ(SeekRec(Plans.TableName, "", plan, billing, "order by DocType desc"), 4);
    EXPECT_TRUE(Logged(Log(), "seekrec - select * from Rate_Schedule order by DocType desc")) << Log();

    SetKey("QQQ", FieldValue(), FieldValue());
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 0);
    EXPECT_TRUE(plan.NoMatch);
    EXPECT_EQ(Output(), "");
}

TEST_F(RecordTest, ValuesCannotChangeTheStatement) {
    AddPlan("A'B", "01", 0, "quoted");
    AddPlan("ZZZ", "01", 0, "other");
    SetKey("A'B", "01", FieldValue());
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 1);
    EXPECT_TRUE(Logged(Log(), "seekrec - select * from Rate_Schedule where application='A''B' AND DocType='01'  order "
                              "by application,DocType,RateNum"));
    SetKey("x' OR '1'='1", FieldValue(), FieldValue());
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 0);
    EXPECT_EQ(DeleteRec(Plans.TableName, Plans.KeyList, plan, billing, 0), 0);
    EXPECT_EQ(PlanCount(), 2);

    // A number column takes numbers only.
    ClearLog();
    SetKey("ZZZ", "01", "0 OR 1=1");
    try {
        SeekRec(Plans.TableName, Plans.KeyList, plan, billing);
        FAIL() << "no failure";
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, 13);
        EXPECT_EQ(e.Text, "Type mismatch");
    }
    EXPECT_THROW(UpdateRecInfo(Plans.TableName, Plans.KeyList, plan, billing), RunError);
    EXPECT_THROW(DeleteRec(Plans.TableName, Plans.KeyList, plan, billing, 0), RunError);
    SetKey("ZZZ", "01", " 0 ");
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 1);
    EXPECT_EQ(PlanCount(), 2);
    EXPECT_EQ(Output(), "");
}

TEST_F(RecordTest, UpdateRecInfoInsertsThenUpdates) {
    SetKey("O'K", "01", 0);
    plan.Field(Plans.Flat_Fee).Value = 12.5;
    plan.Field(Plans.Max_Searches).Value = "7";
    plan.Field(Plans.Rate_Description).Value = "  Bob's plan  ";
    plan.Field(Plans.Hide_level).Value = -1;
    const std::string policy(1000, 'p');
    plan.Field(Plans.Tax_Policy).Value = "It's " + policy;
    ASSERT_TRUE(Shown([&] { UpdateRecInfo(Plans.TableName, Plans.KeyList, plan, billing); }));
    EXPECT_TRUE(Logged(Log(), "ODBCAddNew insert into Rate_Schedule values ('O''K','01',0,12.5,NULL,NULL,NULL,NULL,NULL,"
                              "NULL,7,NULL,NULL,NULL,'Bob''s plan',-1,NULL,NULL,'It''s " + policy +
                              "',NULL,NULL,NULL,NULL,NULL,NULL)"))
        << Log();
    // The caller's values stay as they were.
    EXPECT_EQ(plan.Field(Plans.application).Value.Text(), "O'K");
    EXPECT_EQ(plan.Field(Plans.Rate_Description).Value.Text(), "  Bob's plan  ");
    auto rows = dbs.Query(dbs.BillingDb(), "select application, RateNum, Flat_Fee, Max_Searches, Rate_Description, "
                                           "Hide_level, Search_Fee, Tax_Policy from Rate_Schedule");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"O'K", "0", "12.5", "7", "Bob's plan", "-1", "", "It's " + policy}));

    // The same key again: every column is set, keys included.
    ClearLog();
    plan.Field(Plans.Flat_Fee).Value = FieldValue();
    plan.Field(Plans.Search_Fee).Value = 0.25;
    plan.Field(Plans.Rate_Description).Value = "Ann's";
    ASSERT_TRUE(Shown([&] { UpdateRecInfo(Plans.TableName, Plans.KeyList, plan, billing); }));
    const std::string log = Log();
    EXPECT_EQ(log.find("ODBCAddNew"), std::string::npos);
    rows = dbs.Query(dbs.BillingDb(), "select application, Flat_Fee, Search_Fee, Rate_Description, Tax_Policy from "
                                      "Rate_Schedule");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"O'K", "", "0.25", "Ann's", "It's " + policy}));

    // A second plan of the same database is a new row.
    plan.Field(Plans.RateNum).Value = 1;
    ASSERT_TRUE(Shown([&] { UpdateRecInfo(Plans.TableName, Plans.KeyList, plan, billing); }));
    EXPECT_EQ(PlanCount(), 2);
    EXPECT_EQ(Output(), "");

    // A long policy loads whole.
    SetKey("O'K", "01", 0);
    ASSERT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 1);
    EXPECT_EQ(plan.Field(Plans.Tax_Policy).Value.Text(), "It's " + policy);
}

TEST_F(RecordTest, EditStatementText) {
    dbs.Exec(dbs.ParamsDb(), "CREATE TABLE Notes (Id smallint, Note varchar (20), Body text, Stamp timestamp)");
    dbs.Exec(dbs.ParamsDb(), "insert into Notes values (1, 'a', 'b', '2020-01-01 00:00:00')");
    OdbcConnection c;
    ASSERT_TRUE(OpenParams(c));
    TableInfo notes;
    notes.Name = "Notes";
    ASSERT_TRUE(Shown([&] { ODBCOpenTbl(c, "Notes", notes, ""); }));
    notes.Field(0).Value = 1;
    notes.Field(1).Value = "it's";
    notes.Field(2).Value = "";
    notes.Field(3).Value = "2021-02-03 04:05:06";
    ClearLog();
    ASSERT_TRUE(Shown([&] { ODBCEdit(c, "Notes", notes, "0;1"); }));
    auto rows = dbs.Query(dbs.ParamsDb(), "select * from Notes");
    // The key names "it's" too, so no row matched; with key 0 alone it does.
    EXPECT_EQ(rows[0][1], "a");
    ASSERT_TRUE(Shown([&] { ODBCEdit(c, "Notes", notes, "0;"); }));
    rows = dbs.Query(dbs.ParamsDb(), "select * from Notes");
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "it's", "", "2021-02-03 04:05:06"}));
    // Without a key an update would reach every row.
    EXPECT_THROW(ODBCEdit(c, "Notes", notes, ""), RunError);

    // Inserting: empty values are NULL (null for a timestamp); dates are written
    // year first.
    notes.Field(0).Value = "";
    notes.Field(1).Value = FieldValue();
    notes.Field(3).Value = "";
    ClearLog();
    ASSERT_TRUE(Shown([&] { ODBCAddNew(c, "Notes", notes); }));
    EXPECT_TRUE(Logged(Log(), "ODBCAddNew insert into Notes values (NULL,NULL,NULL,null)"));
    notes.Field(0).Value = 2;
    notes.Field(3).Value = "3/4/2022 1:02:03 PM";
    ASSERT_TRUE(Shown([&] { ODBCAddNew(c, "Notes", notes); }));
    EXPECT_TRUE(Logged(Log(), "ODBCAddNew insert into Notes values (2,NULL,NULL,'2022-03-04 13:02:03')"));
    notes.Field(3).Value = "2022-03-04 00:00:00";
    ASSERT_TRUE(Shown([&] { ODBCAddNew(c, "Notes", notes); }));
    EXPECT_TRUE(Logged(Log(), "ODBCAddNew insert into Notes values (2,NULL,NULL,'2022-03-04')"));
    notes.Field(3).Value = "not a date";
    EXPECT_THROW(ODBCAddNew(c, "Notes", notes), RunError);
    notes.Field(3).Value = "2022-02-30";
    EXPECT_THROW(ODBCAddNew(c, "Notes", notes), RunError);
    EXPECT_EQ(Output(), "");
    ODBCCloseTbl(notes);
}

TEST_F(RecordTest, DeleteRecCountsFirstAndKeepsToTheLimit) {
    AddPlan("ABC", "01", 0, "a");
    AddPlan("ABC", "01", 1, "b");
    AddPlan("ABC", "02", 0, "c");
    SetKey("ABC", "01", FieldValue());
    EXPECT_EQ(DeleteRec(Plans.TableName, Plans.KeyList, plan, billing, 1), 0);
    EXPECT_EQ(PlanCount(), 3);
    EXPECT_TRUE(Logged(Log(), "DeleteRec: Seek SQL=select COUNT(application) from Rate_Schedule where "
                              "application='ABC' AND DocType='01' "));
    EXPECT_EQ(DeleteRec(Plans.TableName, Plans.KeyList, plan, billing, 0), 2);
    EXPECT_TRUE(Logged(Log(), "DeleteRec: Delete SQL=delete from Rate_Schedule where application='ABC' AND "
                              "DocType='01' "));
    EXPECT_EQ(PlanCount(), 1);
    // Without any key value nothing is run; an empty text is a value, the
    // key of rows of '' only.
    SetKey(FieldValue(), FieldValue(), FieldValue());
    ClearLog();
    EXPECT_EQ(DeleteRec(Plans.TableName, Plans.KeyList, plan, billing, 0), 0);
    EXPECT_EQ(Log().find("DeleteRec"), std::string::npos);
    SetKey("", "", 0);
    EXPECT_EQ(DeleteRec(Plans.TableName, Plans.KeyList, plan, billing, 0), 0);
    EXPECT_TRUE(Logged(Log(), "DeleteRec: Seek SQL=select COUNT(application) from Rate_Schedule where "
                              "application='' AND DocType='' AND RateNum=0 "));
    EXPECT_EQ(SeekRec(Plans.TableName, Plans.KeyList, plan, billing), 0);
    EXPECT_EQ(PlanCount(), 1);
    SetKey("ABC", "02", 0);
    EXPECT_EQ(DeleteRec(Plans.TableName, Plans.KeyList, plan, billing, 1), 1);
    EXPECT_EQ(PlanCount(), 0);
    EXPECT_EQ(Output(), "");
    // A count that cannot be run leaves no count to read.
    EXPECT_FALSE(Shown([&] { DeleteRec("NoSuchTable", Plans.KeyList, plan, billing, 1); }));
    EXPECT_NE(Output().find("no such table: NoSuchTable"), std::string::npos);
}

TEST_F(RecordTest, FailedExistenceTestWritesNothing) {
    SetKey("ABC", "01", 0);
    EXPECT_FALSE(Shown([&] { UpdateRecInfo("NoSuchTable", Plans.KeyList, plan, billing); }));
    EXPECT_EQ(Log().find("ODBCAddNew"), std::string::npos);
    EXPECT_NE(Output().find("no such table"), std::string::npos);
    ODBCCloseTbl(plan);
    ODBCCloseDatabase(billing);
    EXPECT_FALSE(billing.IsOpen());
}
