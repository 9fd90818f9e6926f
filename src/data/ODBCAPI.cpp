// The ODBC layer: connections, one statement at a time with the locked
// record retry, error retrieval, table lists, and the loading of a result
// set into the record's grid. Every handle is owned by an object that frees
// it; every error the driver reports is thrown as a DbError.
#include "data/ODBCAPI.h"
#include "data/OdbcInternal.h"

#include "base/DebugLog.h"
#include "base/TextUtil.h"
#include "base/FailureLog.h"
#include "data/Databases.h"
#include "settings/IniFiles.h"

#include <sql.h>
#include <sqlext.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>

namespace vd {

using namespace odbc;

namespace {

// Runs the statement, sending it again while it meets a locked record, and
// hands its result to take.
void Execute(const std::string& sql, OdbcConnection& connection,
             const std::function<void(Statement&, SQLSMALLINT)>& take) {
    for (int sends = 1;; ++sends) {
        if (!connection.IsOpen()) NotConnected();
        const SQLHENV env = connection.Link()->env.h;
        const SQLHDBC dbc = connection.Link()->dbc.h;
        Statement st;
        if (SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st.h) != SQL_SUCCESS) Fail(env, dbc, st.h);
        // A searched UPDATE or DELETE that meets no row answers "no data":
        // the statement ran.
        const SQLRETURN rc = SQLExecDirect(st.h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        if (rc != SQL_SUCCESS && rc != SQL_NO_DATA) {
            const Diagnostic d = ReadDiagnostic(env, dbc, st.h);
            if (ClassifyOdbcError(d.native, d.state) != LockedRecord) Throw(d);
            if (sends >= MaxSends) {
                const std::string sentence =
                    "The SQL statement was sent to the server five times but the record appears to currently be "
                    "locked.";
                DebugLog(sentence);
                throw DbError(sentence);
            }
            continue;
        }
        SQLSMALLINT columns = 0;
        if (SQLNumResultCols(st.h, &columns) != SQL_SUCCESS) Fail(env, dbc, st.h);
        take(st, columns);
        if (st.Free() != SQL_SUCCESS) Fail(env, dbc);
        return;
    }
}

// Where the record stands after rows were read: at the first, or at the end
// with no match.
void SetPosition(TableInfo& record, int rows) {
    record.RecordCount = rows;
    if (rows > 0) {
        record.AtFirst = true;
        record.Eof = false;
        record.NoMatch = false;
        record.Grid.CurrentRow = 2;
    } else {
        record.NoMatch = true;
        record.Eof = true;
    }
}

}  // namespace

OdbcConnection::~OdbcConnection() { ODBCCloseDatabase(*this); }

bool DbmsIs(const OdbcConnection& connection, const std::string& name) {
    return EqualsNoCase(Trim(connection.DbmsName()), name);
}

void ODBCOpenDatabase(OdbcConnection& connection, const std::string& connectString) {
    DebugLog("Start of ODBCOpenDatabase");
    Doing doing("connecting " + MaskPassword(connectString));
    if (connection.IsOpen()) ODBCCloseDatabase(connection);
    std::shared_ptr<OdbcLink> link = Connect(connectString);
    connection.dbmsName_ = DbmsName(link->dbc.h);
    connection.timeoutMs_ = link->timeoutMs;
    SQLUINTEGER extensions = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(link->dbc.h, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)))
        connection.getDataExtensions_ = extensions;
    connection.link_ = std::move(link);
}

void ODBCOpenShared(OdbcConnection& connection, OdbcConnection& shared, const std::string& connectString) {
    if (&connection == &shared || !shared.IsOpen()) ODBCOpenDatabase(shared, connectString);
    else DebugLog("Start of ODBCOpenDatabase");
    if (&connection != &shared) connection.Share(shared);
}

void OdbcConnection::Share(const OdbcConnection& open) {
    if (&open == this) return;
    if (!open.IsOpen()) NotConnected();
    ODBCCloseDatabase(*this);
    link_ = open.link_;
    dbmsName_ = open.dbmsName_;
    getDataExtensions_ = open.getDataExtensions_;
    timeoutMs_ = open.timeoutMs_;
}

int OdbcConnection::OpenTransactions() const { return link_ ? link_->openTransactions : 0; }

void CountTransaction(OdbcConnection& connection, int change) {
    if (connection.IsOpen()) connection.Link()->openTransactions += change;
}

void ODBCCloseDatabase(OdbcConnection& connection) noexcept {
    if (!connection.link_) return;  // nothing to close
    const std::shared_ptr<OdbcLink> link = std::move(connection.link_);
    connection.link_ = nullptr;
    connection.dbmsName_.clear();
    connection.getDataExtensions_ = 0;
    connection.timeoutMs_ = 0;
    if (link.use_count() > 1 || !link->connected) return;  // another connection still uses the handles
    link->connected = false;
    if (SQL_SUCCEEDED(SQLDisconnect(link->dbc.h))) return;
    try {
        const Diagnostic d = ReadDiagnostic(link->env.h, link->dbc.h, SQL_NULL_HSTMT);
        const DbError failure(d.native, d.state, d.text);
        DebugLog("Error: " + std::to_string(d.native) + d.state + d.text);
        LogFailure(failure.NumberText, failure.Text);
    } catch (const std::exception&) {  // a close never fails its caller
    }
}

namespace {

// Runs sql on the record: take(cells, n) gets the cells of each row in
// turn (n counting from 0), end(rows) the number of rows.
void RunRows(const std::string& sql, OdbcConnection& connection, TableInfo& record,
             const std::function<void(std::vector<FieldValue>&, int)>& take, const std::function<void(int)>& end) {
    Doing doing("running " + sql);
    record.Number.Give();
    Execute(sql, connection, [&](Statement& st, SQLSMALLINT columns) {
        record.Grid.SetRowCount(2);
        int rows = 0;
        FetchResult(connection, st, columns, record, [&](std::vector<FieldValue>& cells) { take(cells, rows++); });
        end(rows);
    });
}

}  // namespace

void ODBCExecSQL(const std::string& sql, OdbcConnection& connection, TableInfo& record) {
    RunRows(
        sql, connection, record,
        [&](std::vector<FieldValue>& cells, int n) {
            if (n == 0)
                for (size_t i = 0; i < cells.size(); ++i) record.Fields[i].Value = cells[i];
            record.Grid.AddRow(std::move(cells));
        },
        [&](int rows) { SetPosition(record, rows); });
}

void ODBCForEachRow(const std::string& sql, OdbcConnection& connection, TableInfo& record,
                    const std::function<void()>& row) {
    RunRows(
        sql, connection, record,
        [&](std::vector<FieldValue>& cells, int) {
            for (size_t i = 0; i < cells.size(); ++i) record.Fields[i].Value = std::move(cells[i]);
            row();
        },
        [&](int rows) {
            record.RecordCount = rows;
            record.Eof = true;
            record.NoMatch = rows == 0;
        });
}

void ODBCListTables(OdbcConnection& connection, std::vector<std::string>& names) {
    if (!connection.IsOpen()) NotConnected();
    const SQLHENV env = connection.Link()->env.h;
    const SQLHDBC dbc = connection.Link()->dbc.h;
    Statement st;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st.h) != SQL_SUCCESS) Fail(env, dbc, st.h);
    if (SQLTables(st.h, nullptr, SQL_NTS, nullptr, SQL_NTS, nullptr, SQL_NTS,
                  reinterpret_cast<SQLCHAR*>(const_cast<char*>("'TABLE'")), 7) != SQL_SUCCESS)
        Fail(env, dbc, st.h);
    names.assign(1, "");
    bool first = true;
    for (;;) {
        SQLRETURN rc = SQLFetch(st.h);
        if (rc == SQL_NO_DATA) break;
        std::string name;
        if ((rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) || ReadChars(st.h, 3, name) == Read::Failed)
            Fail(env, dbc, st.h);
        name = StripNull(name);
        if (name.empty()) continue;
        if (first) {
            names[0] = name;
            first = false;
        } else {
            names.push_back(name);
        }
    }
}

bool TableExists(OdbcConnection& connection, const std::string& name) {
    std::vector<std::string> names;
    ODBCListTables(connection, names);
    const std::string wanted = UCase(name);
    for (const auto& n : names)
        if (UCase(n) == wanted) return true;
    return false;
}

void ODBCOpenTbl(OdbcConnection& connection, const std::string& table, TableInfo& record,
                 const std::string& criteria) {
    const std::string sql = "select * from " + table + " where " + (criteria.empty() ? "0=1" : criteria);
    ODBCExecSQL(sql, connection, record);
}

void ODBCSetAutoCommit(OdbcConnection& connection, bool on) {
    if (!connection.IsOpen()) NotConnected();
    const SQLHDBC dbc = connection.Link()->dbc.h;
    const SQLRETURN rc = SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
                                           SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(rc)) Fail(connection.Link()->env.h, dbc);
}

void ODBCEndTran(OdbcConnection& connection, bool commit) {
    if (!connection.IsOpen()) NotConnected();
    DebugLog(commit ? "commit" : "rollback");
    const SQLHDBC dbc = connection.Link()->dbc.h;
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc, commit ? SQL_COMMIT : SQL_ROLLBACK);
    if (!SQL_SUCCEEDED(rc)) Fail(connection.Link()->env.h, dbc);
}

}  // namespace vd
