// The ODBC layer: connections, statements, errors and table lists, and the
// loading of every result set into the record's own grid. Every failure of
// the database is thrown as a DbError (base/RunError.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/RunError.h"
#include "data/TableInfo.h"

namespace vd {

struct OdbcLink;

// One database connection. Each ODBCOpenDatabase connects anew: a link of
// its own, one ODBC environment and one connection handle. Connections
// share a link only when told to (Share, ODBCOpenShared): they then share
// its transaction too, which OpenTransactions shows (a request runs one
// statement at a time and reads each result whole, so they never get in
// each other's way otherwise). The link owns its handles; the last
// connection that lets go of it disconnects and frees them, the connection
// handle before the environment.
class OdbcConnection {
public:
    OdbcConnection() = default;
    ~OdbcConnection();  // closes; never throws
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    bool IsOpen() const { return link_ != nullptr; }
    OdbcLink* Link() const { return link_.get(); }
    // The database system's name as the driver reports it (SQL_DBMS_NAME,
    // for example "SQLite", "PostgreSQL", "Microsoft SQL Server"), read
    // once when the connection opens; empty when it is not open or the
    // driver does not tell.
    const std::string& DbmsName() const { return dbmsName_; }
    // What SQLGetData may read besides the columns after the last bound one
    // (SQL_GETDATA_EXTENSIONS); 0 when it is not open or the driver does not
    // tell.
    unsigned long GetDataExtensions() const { return getDataExtensions_; }
    // The data source's Timeout entry: how long (milliseconds) a statement
    // may wait for another connection's lock; 0 when it names none.
    long TimeoutMs() const { return timeoutMs_; }

    // Lets go of its own link and uses the open connection's: the two run
    // their statements on the same handles, in the same transaction. A
    // connection that is not open fails with a DbError that is not shown.
    void Share(const OdbcConnection& open);
    // The transactions open on the link (OdbcTransaction): 0 or 1.
    int OpenTransactions() const;

private:
    friend void ODBCOpenDatabase(OdbcConnection&, const std::string&);
    friend void ODBCCloseDatabase(OdbcConnection&) noexcept;
    std::shared_ptr<OdbcLink> link_;
    std::string dbmsName_;
    unsigned long getDataExtensions_ = 0;
    long timeoutMs_ = 0;
};

// Whether the connection's database system is the named one (its
// SQL_DBMS_NAME, without regard to case or surrounding blanks).
bool DbmsIs(const OdbcConnection& connection, const std::string& name);

// Opens the connection (closing it first when open) with a link of its own.
void ODBCOpenDatabase(OdbcConnection& connection, const std::string& connectString);
// Opens the connection on the link of shared, which is opened first when
// it is not open (connection may be shared itself).
void ODBCOpenShared(OdbcConnection& connection, OdbcConnection& shared, const std::string& connectString);
// For OdbcTransaction: one more (+1) or one fewer (-1) transaction open on
// the connection's link.
void CountTransaction(OdbcConnection& connection, int change);
// Lets go of the link. A driver that refuses to disconnect is named in the
// web server's log; the handles are freed all the same.
void ODBCCloseDatabase(OdbcConnection& connection) noexcept;

// Runs one statement into the record: its columns, the first row's values
// and every row in its grid. A locked record is sent again, five times in
// all. A connection that is not open fails with a DbError that is not shown.
void ODBCExecSQL(const std::string& sql, OdbcConnection& connection, TableInfo& record);
// Runs one statement row by row: for each fetched row the record's fields
// hold its values while row() runs; no row is kept (the grid stays empty),
// so a result of any size takes the memory of one row. At the end the
// record is at its end, RecordCount the rows read.
void ODBCForEachRow(const std::string& sql, OdbcConnection& connection, TableInfo& record,
                    const std::function<void()>& row);

// Transactions: with auto-commit off, the statements that follow take
// effect together at ODBCEndTran(commit) or not at all (rollback).
void ODBCSetAutoCommit(OdbcConnection& connection, bool on);
void ODBCEndTran(OdbcConnection& connection, bool commit);

// The tables of the connection's database; one empty name when it has none.
void ODBCListTables(OdbcConnection& connection, std::vector<std::string>& names);
bool TableExists(OdbcConnection& connection, const std::string& name);
std::string StripNull(const std::string& text);

// The code an ODBC error is given: 10 for a locked record (native -1102
// with SQLSTATE S1000), 0 for 08002 (connection already in use), -1 for
// anything else.
int ClassifyOdbcError(long native, const std::string& sqlState);

// The connection string handed to the driver manager: a FILEDSN entry is
// replaced by the entries of section [ODBC] of the named file, followed by
// the other entries of the string (which win over the file's). A string
// without FILEDSN comes back unchanged.
std::string ResolveFileDsn(const std::string& connectString);
// The value of a connection string's entry (braces removed; the last one
// when the key stands twice), "" without one. Keys compare without regard
// to case.
std::string ConnectionAttribute(const std::string& connectString, const std::string& key);

// The columns of a table and no rows.
void ODBCOpenTbl(OdbcConnection& connection, const std::string& table, TableInfo& record,
                 const std::string& criteria);
// Moves through the rows of the record's grid.
void ODBCMoveFirst(TableInfo& record);
void ODBCMoveNext(TableInfo& record);
// Releases the record's grid.
void ODBCCloseTbl(TableInfo& record) noexcept;

}  // namespace vd
