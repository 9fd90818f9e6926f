// What the units of the ODBC layer share and nothing else sees: the handle
// owners, the link of a connection, the driver's diagnostics thrown as
// DbError, the loading of a result and the connect of a data source.
#pragma once

#include "data/ODBCAPI.h"

#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <memory>
#include <string>

namespace vd {

namespace odbc {

constexpr int LockedRecord = 10;
constexpr int MaxSends = 5;


// An ODBC handle of one type, owned by the object that holds it and freed
// with it.
template <SQLSMALLINT Type>
class Handle {
public:
    Handle() = default;
    ~Handle() { Free(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE h = SQL_NULL_HANDLE;
    SQLRETURN Free() noexcept {
        if (h == SQL_NULL_HANDLE) return SQL_SUCCESS;
        const SQLRETURN rc = SQLFreeHandle(Type, h);
        h = SQL_NULL_HANDLE;
        return rc;
    }
};

using EnvHandle = Handle<SQL_HANDLE_ENV>;
using DbcHandle = Handle<SQL_HANDLE_DBC>;
using Statement = Handle<SQL_HANDLE_STMT>;


}  // namespace odbc

// The handles of one connect, shared by the connections that Share them.
// The connection handle is freed before the environment (members are
// destroyed in reverse order).
struct OdbcLink {
    std::string key;  // the connection string
    int openTransactions = 0;  // OdbcTransaction objects open on the handles
    odbc::EnvHandle env;
    odbc::DbcHandle dbc;
    bool connected = false;
    long timeoutMs = 0;  // the Timeout entry of the resolved string

    OdbcLink() = default;
    OdbcLink(const OdbcLink&) = delete;
    OdbcLink& operator=(const OdbcLink&) = delete;
    ~OdbcLink() {
        if (connected) SQLDisconnect(dbc.h);
        std::fill(key.begin(), key.end(), '\0');
    }
};

namespace odbc {

// The last error of the handles as the driver tells it.
struct Diagnostic {
    long native = 0;
    std::string state;
    std::string text;
};
Diagnostic ReadDiagnostic(SQLHENV env, SQLHDBC dbc, SQLHSTMT statement);
// A locked record, a connection already in use (08002), one that does not
// exist (08003) and no error at all (00000) are failures that are not
// shown; every other error is logged and shown.
[[noreturn]] void Throw(const Diagnostic& d);
[[noreturn]] void Fail(SQLHENV env, SQLHDBC dbc, SQLHSTMT statement = SQL_NULL_HSTMT);
// An operation on a connection that is not open: 08003 (connection does
// not exist), not shown.
[[noreturn]] void NotConnected();

// A character value of the fetched row read whole, piece by piece, into out
// (cleared first).
enum class Read { Ok, Null, Failed };
Read ReadChars(SQLHSTMT h, SQLUSMALLINT column, std::string& out);

// Describes the executed statement's columns into the record, then hands
// each fetched row to the sink: cells holds its values, in column order.
using RowSink = std::function<void(std::vector<FieldValue>& cells)>;
void FetchResult(OdbcConnection& connection, Statement& st, SQLSMALLINT columns, TableInfo& record,
                 const RowSink& sink);

// The database system's name; a driver that cannot tell gives "".
std::string DbmsName(SQLHDBC dbc);
// A link of its own for the connection string, connected.
std::shared_ptr<OdbcLink> Connect(const std::string& connectString);

}  // namespace odbc

}  // namespace vd
