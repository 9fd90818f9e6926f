// The ODBC layer: connections, one statement at a time with the locked
// record retry, error retrieval and reporting, table lists, and the
// loading of a result set into the record's grid.
#include "data/ODBCAPI.h"

#include "cgi/DebugLog.h"
#include "cgi/MessagePages.h"
#include "cgi/TextUtil.h"
#include "data/ResultGrid.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

#include <sql.h>
#include <sqlext.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

namespace vd {

namespace {

constexpr int LockedRecord = 10;
constexpr int MaxSends = 5;
constexpr SQLLEN CharBufferSize = 65536;

// Set by every GetError; a statement succeeded when its last attempt
// retrieved no error.
bool OdbcErrorFlag = false;

// The statement handle of one attempt. GetError drops it; whatever is left
// is dropped when the attempt ends.
class Statement {
public:
    Statement() = default;
    ~Statement() { Drop(); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT h = SQL_NULL_HSTMT;
    SQLRETURN Drop() {
        if (h == SQL_NULL_HSTMT) return SQL_SUCCESS;
        SQLRETURN rc = SQLFreeHandle(SQL_HANDLE_STMT, h);
        h = SQL_NULL_HSTMT;
        return rc;
    }
};

// The native error as the error page shows it: a blank before a number
// that is not negative.
std::string NativeNumberText(long native) { return (native >= 0 ? " " : "") + std::to_string(native); }

// Retrieves, classifies and (for real errors) reports the last ODBC error
// of the handles, and releases the statement.
int GetError(SQLHENV env, SQLHDBC dbc, Statement* statement) {
    DebugLog("start of geterror");
    OdbcErrorFlag = true;
    std::vector<char> state(1024, '\0'), message(1024, '\0');
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLError(env, dbc, statement ? statement->h : SQL_NULL_HSTMT, reinterpret_cast<SQLCHAR*>(state.data()), &native,
             reinterpret_cast<SQLCHAR*>(message.data()), 1023, &length);
    if (statement) statement->Drop();
    const std::string sqlState = StripNull(std::string(state.data(), state.size()));
    const std::string text = StripNull(std::string(message.data(), message.size()));
    const int code = ClassifyOdbcError(native, sqlState);
    if (code == LockedRecord || sqlState == "08002" || sqlState == "08003" || sqlState == "00000") return code;
    DebugLog("Error: " + std::to_string(native) + sqlState + text);
    SendErrorPage(WebSettings.WebPath + "vdgenerr.html", NativeNumberText(native), sqlState + text);
    return -1;
}

// An operation on a connection that is not open: classified as 08003
// (connection does not exist), which is not reported.
void NotConnected() {
    DebugLog("start of geterror");
    OdbcErrorFlag = true;
}

int TypeCode(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_BIT: return 1;
        case SQL_TINYINT: return 2;
        case SQL_SMALLINT: return 3;
        case SQL_INTEGER: return 4;
        case SQL_NUMERIC: return 5;
        case SQL_REAL: return 6;
        case SQL_DECIMAL:
        case SQL_DOUBLE: return 7;
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIMESTAMP: return 8;
        case SQL_TYPE_DATE: return SQL_DATE;
        case SQL_TYPE_TIME: return SQL_TIME;
        case SQL_CHAR:
        case SQL_VARCHAR: return 10;
        case SQL_LONGVARBINARY: return 11;
        case SQL_LONGVARCHAR: return 12;
        default: return sqlType;
    }
}

enum class Read { Ok, Null, Failed };

// A character value read whole, piece by piece.
Read ReadChars(SQLHSTMT h, SQLUSMALLINT column, std::vector<char>& buffer, std::string& out) {
    out.clear();
    bool any = false;
    for (;;) {
        SQLLEN ind = 0;
        SQLRETURN rc = SQLGetData(h, column, SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()), &ind);
        if (rc == SQL_NO_DATA) return any ? Read::Ok : Read::Null;
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return Read::Failed;
        if (ind == SQL_NULL_DATA) return Read::Null;
        any = true;
        const SQLLEN room = static_cast<SQLLEN>(buffer.size()) - 1;
        const bool more = rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > room);
        SQLLEN got = more ? room : (ind < 0 ? 0 : (ind > room ? room : ind));
        out.append(buffer.data(), static_cast<size_t>(got));
        if (!more) return Read::Ok;
    }
}

Read ReadValue(SQLHSTMT h, SQLUSMALLINT column, int code, std::vector<char>& buffer, FieldValue& value) {
    SQLLEN ind = 0;
    SQLRETURN rc;
    switch (code) {
        case 3: {
            SQLSMALLINT v = 0;
            rc = SQLGetData(h, column, SQL_C_SSHORT, &v, 0, &ind);
            value = FieldValue(static_cast<std::int64_t>(v));
            break;
        }
        case 4: {
            SQLINTEGER v = 0;
            rc = SQLGetData(h, column, SQL_C_SLONG, &v, 0, &ind);
            value = FieldValue(static_cast<std::int64_t>(v));
            break;
        }
        case 7: {
            double v = 0;
            rc = SQLGetData(h, column, SQL_C_DOUBLE, &v, 0, &ind);
            value = FieldValue(v);
            break;
        }
        default: {
            std::string text;
            Read r = ReadChars(h, column, buffer, text);
            if (r != Read::Ok) {
                value = FieldValue();
                return r;
            }
            text = StripNull(text);
            if (code == 8) text = text.substr(0, text.find('.'));
            value = FieldValue(std::move(text));
            return Read::Ok;
        }
    }
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return Read::Failed;
    if (ind == SQL_NULL_DATA) {
        value = FieldValue();
        return Read::Null;
    }
    return Read::Ok;
}

// Loads the result of an executed statement into the record and its grid.
void LoadResult(OdbcConnection& connection, Statement& st, SQLSMALLINT columns, TableInfo& record, ResultGrid& grid) {
    const int n = columns;
    if (n > 0) grid.SetColCount(n);
    record.FieldCount = n;
    record.Fields.assign(static_cast<size_t>(n), FieldEntry{});
    grid.CurrentRow = 0;
    for (int i = 1; i <= n && st.h != SQL_NULL_HSTMT; ++i) {
        std::vector<char> name(256, '\0');
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLRETURN rc = SQLDescribeCol(st.h, static_cast<SQLUSMALLINT>(i), reinterpret_cast<SQLCHAR*>(name.data()),
                                      static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size, &digits,
                                      &nullable);
        if (rc == SQL_SUCCESS_WITH_INFO && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
            name.assign(static_cast<size_t>(nameLength) + 1, '\0');
            rc = SQLDescribeCol(st.h, static_cast<SQLUSMALLINT>(i), reinterpret_cast<SQLCHAR*>(name.data()),
                                static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size, &digits,
                                &nullable);
        }
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            GetError(connection.Env(), connection.Handle(), &st);
            continue;
        }
        FieldEntry& field = record.Fields[static_cast<size_t>(i - 1)];
        field.Name = StripNull(std::string(name.data(), name.size()));
        field.Type = TypeCode(sqlType);
        field.Size = field.Type == 12 ? 0 : (size > static_cast<SQLULEN>(INT_MAX) ? INT_MAX : static_cast<int>(size));
        grid.SetCell(0, i - 1, field.Name);
    }
    int rows = 0;
    if (n > 0 && st.h != SQL_NULL_HSTMT) {
        std::vector<char> buffer(static_cast<size_t>(CharBufferSize));
        for (;;) {
            SQLRETURN rc = SQLFetch(st.h);
            if (rc == SQL_NO_DATA) break;
            if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
                GetError(connection.Env(), connection.Handle(), &st);
                break;
            }
            std::vector<std::string> cells(static_cast<size_t>(n));
            bool failed = false;
            for (int i = 0; i < n; ++i) {
                FieldValue value;
                if (ReadValue(st.h, static_cast<SQLUSMALLINT>(i + 1), record.Fields[static_cast<size_t>(i)].Type,
                              buffer, value) == Read::Failed) {
                    GetError(connection.Env(), connection.Handle(), &st);
                    failed = true;
                    break;
                }
                cells[static_cast<size_t>(i)] = value.Text();
                if (rows == 0) record.Fields[static_cast<size_t>(i)].Value = std::move(value);
            }
            if (failed) break;
            grid.AddRow(std::move(cells));
            ++rows;
        }
    }
    record.RecordCount = rows;
    if (rows > 0) {
        record.AtFirst = true;
        record.Eof = false;
        record.NoMatch = false;
        grid.CurrentRow = 2;
    } else {
        record.NoMatch = true;
        record.Eof = true;
    }
}

// The database system's name; a driver that cannot tell gives "" (nothing
// is reported: the name only chooses how key names are written).
std::string DbmsName(SQLHDBC dbc) {
    std::vector<char> name(256, '\0');
    SQLSMALLINT length = 0;
    const SQLRETURN rc =
        SQLGetInfo(dbc, SQL_DBMS_NAME, name.data(), static_cast<SQLSMALLINT>(name.size() - 1), &length);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return "";
    return StripNull(std::string(name.data(), name.size()));
}

bool SameKey(const std::string& a, const std::string& b) { return EqualsNoCase(Trim(a), Trim(b)); }

// One "key=value" entry of a connection string, as written.
struct Attribute {
    std::string key;    // trimmed
    std::string value;  // braces removed
    std::string raw;    // the text between the separators
};

std::vector<Attribute> SplitAttributes(const std::string& text) {
    std::vector<Attribute> out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t start = i;
        Attribute a;
        size_t eq = text.find('=', i);
        size_t semi = text.find(';', i);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            size_t end = semi == std::string::npos ? text.size() : semi;
            a.raw = text.substr(start, end - start);
            a.key = Trim(a.raw);
            i = end + 1;
        } else {
            a.key = Trim(text.substr(i, eq - i));
            i = eq + 1;
            if (i < text.size() && text[i] == '{') {
                ++i;
                while (i < text.size()) {
                    if (text[i] == '}') {
                        if (i + 1 < text.size() && text[i + 1] == '}') {
                            a.value += '}';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    a.value += text[i++];
                }
                size_t end = text.find(';', i);
                if (end == std::string::npos) end = text.size();
                i = end;
            } else {
                size_t end = text.find(';', i);
                if (end == std::string::npos) end = text.size();
                a.value = text.substr(i, end - i);
                i = end;
            }
            a.raw = text.substr(start, i - start);
            ++i;
        }
        if (!Trim(a.raw).empty()) out.push_back(std::move(a));
    }
    return out;
}

std::string AttributeValue(const std::string& value) {
    if (value.find(';') == std::string::npos && (value.empty() || (value.front() != '{' && value.front() != ' ' &&
                                                                   value.back() != ' ')))
        return value;
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}') out += '}';
    }
    return out + "}";
}

// The key names of the first [ODBC] section of a DSN file, in file order.
// An entry whose key begins with ";" or "#" is commented out: it is no
// attribute of the connection.
std::vector<std::string> DsnKeys(const std::string& file) {
    std::vector<std::string> keys = ReadIniKeys(file, "ODBC");
    std::erase_if(keys, [](const std::string& key) { return key.front() == ';' || key.front() == '#'; });
    return keys;
}

}  // namespace

OdbcConnection::~OdbcConnection() {
    if (dbc_) {
        SQLDisconnect(static_cast<SQLHDBC>(dbc_));
        SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
    }
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
}

std::string StripNull(const std::string& text) {
    size_t nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

int ClassifyOdbcError(long native, const std::string& sqlState) {
    if (std::to_string(native) + sqlState == "-1102S1000") return LockedRecord;
    if (sqlState == "08002") return 0;
    return -1;
}

std::string ResolveFileDsn(const std::string& connectString) {
    std::vector<Attribute> attributes = SplitAttributes(connectString);
    std::string file;
    bool hasFile = false;
    for (const auto& a : attributes)
        if (!hasFile && SameKey(a.key, "FILEDSN")) {
            file = a.value;
            hasFile = true;
        }
    if (!hasFile) return connectString;
    std::string out;
    for (const auto& key : DsnKeys(file)) {
        bool overridden = SameKey(key, "FILEDSN");
        for (const auto& a : attributes) overridden = overridden || SameKey(a.key, key);
        if (!overridden) out += key + "=" + AttributeValue(ReadIniString(file, "ODBC", key)) + ";";
    }
    for (const auto& a : attributes)
        if (!SameKey(a.key, "FILEDSN")) out += a.raw + ";";
    return out;
}

bool ODBCOpenDatabase(OdbcConnection& connection, const std::string& connectString) {
    DebugLog("Start of ODBCOpenDatabase");
    if (connection.IsOpen()) ODBCCloseDatabase(connection);
    SQLHENV env = SQL_NULL_HENV;
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env) != SQL_SUCCESS) {
        GetError(env, SQL_NULL_HDBC, nullptr);
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
        return false;
    }
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc) != SQL_SUCCESS) {
        GetError(env, dbc, nullptr);
        if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        return false;
    }
    std::string resolved = ResolveFileDsn(connectString);
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(resolved.data()), SQL_NTS, nullptr, 0,
                                    &outLength, SQL_DRIVER_NOPROMPT);
    std::fill(resolved.begin(), resolved.end(), '\0');
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || GetError(env, dbc, nullptr) == 0) {
        connection.env_ = env;
        connection.dbc_ = dbc;
        connection.dbmsName_ = DbmsName(dbc);
        return true;
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return false;
}

bool ODBCCloseDatabase(OdbcConnection& connection) {
    if (!connection.IsOpen()) return true;  // nothing to close
    SQLHENV env = static_cast<SQLHENV>(connection.env_);
    SQLHDBC dbc = static_cast<SQLHDBC>(connection.dbc_);
    if (!SQL_SUCCEEDED(SQLDisconnect(dbc))) {
        GetError(env, dbc, nullptr);
        return false;
    }
    if (SQLFreeHandle(SQL_HANDLE_DBC, dbc) != SQL_SUCCESS) {
        GetError(env, dbc, nullptr);
        return false;
    }
    connection.dbc_ = nullptr;
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    connection.env_ = nullptr;
    connection.dbmsName_.clear();
    return true;
}

bool CloseDB(OdbcConnection& connection) {
    try {
        return ODBCCloseDatabase(connection);
    } catch (const RunError&) {
        return false;
    }
}

bool ODBCExecSQL(const std::string& sql, OdbcConnection& connection, TableInfo& record) {
    int sends = 0;
    for (;;) {
        OdbcErrorFlag = false;
        ResultGrid& grid = GridOfSlot(GetGridIndex(record.Name));
        grid.SetRowCount(2);
        if (!connection.IsOpen()) {
            NotConnected();
            break;
        }
        SQLHENV env = static_cast<SQLHENV>(connection.Env());
        SQLHDBC dbc = static_cast<SQLHDBC>(connection.Handle());
        Statement st;
        if (SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st.h) != SQL_SUCCESS) {
            GetError(env, dbc, &st);
            break;
        }
        // A searched UPDATE or DELETE that meets no row answers "no data":
        // the statement ran.
        SQLRETURN rc = SQLExecDirect(st.h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        if (rc != SQL_SUCCESS && rc != SQL_NO_DATA) {
            if (GetError(env, dbc, &st) != LockedRecord) break;
            if (++sends >= MaxSends) {
                const std::string sentence =
                    "The SQL statement was sent to the server five times but the record appears to currently be "
                    "locked.";
                DebugLog(sentence);
                SendErrorPage(WebSettings.WebPath + "vdgenerr.html", "", sentence);
                break;
            }
            continue;
        }
        SQLSMALLINT columns = 0;
        if (SQLNumResultCols(st.h, &columns) != SQL_SUCCESS) {
            GetError(env, dbc, &st);
            break;
        }
        LoadResult(connection, st, columns, record, grid);
        if (st.h != SQL_NULL_HSTMT && st.Drop() != SQL_SUCCESS) GetError(env, dbc, nullptr);
        break;
    }
    return !OdbcErrorFlag;
}

void ODBCListTables(OdbcConnection& connection, std::vector<std::string>& names) {
    if (!connection.IsOpen()) {
        NotConnected();
        return;
    }
    SQLHENV env = static_cast<SQLHENV>(connection.Env());
    SQLHDBC dbc = static_cast<SQLHDBC>(connection.Handle());
    Statement st;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st.h) != SQL_SUCCESS) {
        GetError(env, dbc, &st);
        return;
    }
    if (SQLTables(st.h, nullptr, SQL_NTS, nullptr, SQL_NTS, nullptr, SQL_NTS,
                  reinterpret_cast<SQLCHAR*>(const_cast<char*>("'TABLE'")), 7) != SQL_SUCCESS) {
        GetError(env, dbc, &st);
        return;
    }
    names.assign(1, "");
    bool first = true;
    std::vector<char> buffer(256);
    for (;;) {
        SQLRETURN rc = SQLFetch(st.h);
        if (rc == SQL_NO_DATA) break;
        std::string name;
        if ((rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) || ReadChars(st.h, 3, buffer, name) == Read::Failed) {
            GetError(env, dbc, &st);
            return;
        }
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

bool ODBCOpenTbl(OdbcConnection& connection, const std::string& table, TableInfo& record,
                 const std::string& criteria) {
    const std::string sql = "select * from " + table + " where " + (criteria.empty() ? "0=1" : criteria);
    return ODBCExecSQL(sql, connection, record);
}

}  // namespace vd
