// The ODBC layer: connections, statements, errors and table lists, and the
// result grids that hold every result set in memory.
#pragma once

#include <string>
#include <vector>

#include "data/TableInfo.h"

namespace vd {

struct OdbcLink;

// One database connection. Connections opened with the same connection
// string while one of them is open share one ODBC environment and
// connection handle (a request runs one statement at a time and reads each
// result whole, so they never get in each other's way); the last one
// closed or destroyed disconnects and frees them. A connection that is not
// open stands for the handle 0 of the callers.
class OdbcConnection {
public:
    OdbcConnection() = default;
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    bool IsOpen() const { return dbc_ != nullptr; }
    void* Handle() const { return dbc_; }  // SQLHDBC
    void* Env() const { return env_; }     // SQLHENV
    // The database system's name as the driver reports it (SQL_DBMS_NAME,
    // for example "SQLite", "PostgreSQL", "Microsoft SQL Server"), read
    // once when the connection opens; empty when it is not open or the
    // driver does not tell.
    const std::string& DbmsName() const { return dbmsName_; }
    // What SQLGetData may read besides the columns after the last bound one
    // (SQL_GETDATA_EXTENSIONS); 0 when it is not open or the driver does not
    // tell.
    unsigned long GetDataExtensions() const { return getDataExtensions_; }

private:
    friend bool ODBCOpenDatabase(OdbcConnection&, const std::string&);
    friend bool ODBCCloseDatabase(OdbcConnection&);
    void* env_ = nullptr;
    void* dbc_ = nullptr;
    std::string dbmsName_;
    unsigned long getDataExtensions_ = 0;
    OdbcLink* link_ = nullptr;
};

bool ODBCOpenDatabase(OdbcConnection& connection, const std::string& connectString);
bool ODBCCloseDatabase(OdbcConnection& connection);
bool CloseDB(OdbcConnection& connection);

// Runs one statement into the record's grid; false when an ODBC error was
// retrieved (it has been logged and shown on the error page).
bool ODBCExecSQL(const std::string& sql, OdbcConnection& connection, TableInfo& record);

// Transactions: with auto-commit off, the statements that follow take
// effect together at ODBCEndTran(commit) or not at all (rollback). False
// when the driver refused; the error has been shown.
bool ODBCSetAutoCommit(OdbcConnection& connection, bool on);
bool ODBCEndTran(OdbcConnection& connection, bool commit);

void ODBCListTables(OdbcConnection& connection, std::vector<std::string>& names);
bool TableExists(OdbcConnection& connection, const std::string& name);
std::string StripNull(const std::string& text);

// The code GetError gives an ODBC error: 10 for a locked record (native
// -1102 with SQLSTATE S1000), 0 for 08002 (connection already in use), -1
// for anything else.
int ClassifyOdbcError(long native, const std::string& sqlState);

// The connection string handed to the driver manager: a FILEDSN entry is
// replaced by the entries of section [ODBC] of the named file, followed by
// the other entries of the string (which win over the file's). A string
// without FILEDSN comes back unchanged.
std::string ResolveFileDsn(const std::string& connectString);

// Result grids.
int GetGridIndex(const std::string& name);
bool ODBCOpenTbl(OdbcConnection& connection, const std::string& table, TableInfo& record,
                 const std::string& criteria);
void ODBCMoveFirst(TableInfo& record);
void ODBCMoveNext(TableInfo& record);
void ODBCCloseTbl(TableInfo& record);

// Inspection of the grid pool: the row count (-1 when the slot holds no
// grid), a cell's text and the name tag of a slot.
int GridRowCount(int slot);
std::string GridCell(int slot, int row, int col);
std::string GridTag(int slot);

}  // namespace vd
