// The ODBC layer: connections, one statement at a time with the locked
// record retry, error retrieval and reporting, table lists, and the
// loading of a result set into the record's grid.
#include "data/ODBCAPI.h"

#include "base/DebugLog.h"
#include "base/TextUtil.h"
#include "cgi/MessagePages.h"
#include "cgi/ServerLog.h"
#include "data/Connections.h"
#include "data/ResultGrid.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

#include <sql.h>
#include <sqlext.h>

#include <climits>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <memory>

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

// The first piece of a character value is read into a small buffer: the
// driver fills the whole buffer it is given, so a large one costs on every
// cell. Longer values are read on in pieces.
constexpr SQLLEN FirstPiece = 256;

// A character value read whole, piece by piece, into out (cleared first).
Read ReadChars(SQLHSTMT h, SQLUSMALLINT column, std::string& out) {
    out.clear();
    char first[FirstPiece];
    SQLLEN ind = 0;
    SQLRETURN rc = SQLGetData(h, column, SQL_C_CHAR, first, FirstPiece, &ind);
    if (rc == SQL_NO_DATA) return Read::Null;
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return Read::Failed;
    if (ind == SQL_NULL_DATA) return Read::Null;
    SQLLEN room = FirstPiece - 1;
    bool more = rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > room);
    if (!more) {
        out.assign(first, static_cast<size_t>(ind < 0 ? 0 : (ind > room ? room : ind)));
        return Read::Ok;
    }
    out.assign(first, static_cast<size_t>(room));
    for (;;) {
        // The rest in one piece when the driver tells its length.
        const SQLLEN rest = ind == SQL_NO_TOTAL ? CharBufferSize : ind - room;
        const size_t have = out.size();
        out.resize(have + static_cast<size_t>(rest) + 1);
        rc = SQLGetData(h, column, SQL_C_CHAR, out.data() + have, rest + 1, &ind);
        if (rc == SQL_NO_DATA) {
            out.resize(have);
            return Read::Ok;
        }
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            out.clear();
            return Read::Failed;
        }
        if (ind == SQL_NULL_DATA) {
            out.clear();
            return Read::Null;
        }
        room = rest;
        more = rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > room);
        const SQLLEN got = more ? room : (ind < 0 ? 0 : (ind > room ? room : ind));
        out.resize(have + static_cast<size_t>(got));
        if (!more) return Read::Ok;
    }
}

// Bound text columns get a buffer of this size; a longer value is read
// whole with SQLGetData after the fetch.
constexpr SQLLEN BoundText = 256;

// One column of a result: numbers and short texts are bound and arrive
// with the fetch, long values are read after it with SQLGetData.
struct ResultColumn {
    int code = 0;
    bool bound = false;
    char* text = nullptr;  // the buffer of a bound text column
    SQLLEN ind = 0;
    union {
        SQLSMALLINT s;
        SQLINTEGER i;
        double d;
    } v{};
};

// The codes whose values are read as text of a bounded length (dates,
// times, short character types, numbers without a binary form here).
bool ShortTextCode(int code) {
    switch (code) {
        case 1: case 2: case 5: case 6: case 8: case 9: case 10: case SQL_BIGINT: return true;
        default: return false;
    }
}

// A bound text cut at its buffer, read whole: drivers give SQLGetData on a
// bound column either the whole value again or the part after the buffer,
// and the lengths tell which.
Read WholeBoundText(SQLHSTMT h, SQLUSMALLINT column, const ResultColumn& c, std::string& out) {
    const SQLLEN room = BoundText - 1;
    std::string rest;
    const Read r = ReadChars(h, column, rest);
    if (r == Read::Failed) return r;
    out.assign(c.text, static_cast<size_t>(room));
    if (r == Read::Null) return Read::Ok;
    const bool whole = c.ind != SQL_NO_TOTAL
                           ? static_cast<SQLLEN>(rest.size()) == c.ind
                           : rest.size() > static_cast<size_t>(room) && rest.compare(0, static_cast<size_t>(room), out) == 0;
    if (whole) out = std::move(rest);
    else out += rest;
    return Read::Ok;
}

// The value of a column of the fetched row: false when it could not be read.
bool ColumnValue(SQLHSTMT h, SQLUSMALLINT column, ResultColumn& c, std::string& text, FieldValue& value) {
    if (!c.bound || c.text) {
        Read r;
        if (!c.bound) r = ReadChars(h, column, text);
        else if (c.ind == SQL_NULL_DATA) r = Read::Null;
        else if (c.ind != SQL_NO_TOTAL && c.ind < BoundText) r = (text.assign(c.text, static_cast<size_t>(c.ind < 0 ? 0 : c.ind)), Read::Ok);
        else r = WholeBoundText(h, column, c, text);
        if (r == Read::Failed) return false;
        if (r == Read::Null) {
            value = FieldValue();
            return true;
        }
        const size_t nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
        if (c.code == 8) {
            const size_t dot = text.find('.');
            if (dot != std::string::npos) text.resize(dot);
        }
        value = FieldValue(std::move(text));
        return true;
    }
    if (c.ind == SQL_NULL_DATA) value = FieldValue();
    else if (c.code == 3) value = FieldValue(static_cast<std::int64_t>(c.v.s));
    else if (c.code == 4) value = FieldValue(static_cast<std::int64_t>(c.v.i));
    else value = FieldValue(c.v.d);
    return true;
}

// Loads the result of an executed statement into the record and its grid.
void LoadResult(OdbcConnection& connection, Statement& st, SQLSMALLINT columns, TableInfo& record, ResultGrid& grid) {
    const int n = columns;
    if (n > 0) grid.SetColCount(n);
    record.FieldCount = n;
    // Every field starts over; the names keep their storage for the next
    // statement.
    record.Fields.resize(static_cast<size_t>(n));
    for (auto& field : record.Fields) {
        field.Name.clear();
        field.Type = 0;
        field.Size = 0;
        field.Value = FieldValue();
    }
    grid.CurrentRow = 0;
    std::vector<ResultColumn> cols(static_cast<size_t>(n));
    for (int i = 1; i <= n && st.h != SQL_NULL_HSTMT; ++i) {
        char name[256];
        std::vector<char> longName;
        char* nameBuffer = name;
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLRETURN rc = SQLDescribeCol(st.h, static_cast<SQLUSMALLINT>(i), reinterpret_cast<SQLCHAR*>(name),
                                      sizeof name, &nameLength, &sqlType, &size, &digits, &nullable);
        if (rc == SQL_SUCCESS_WITH_INFO && nameLength >= static_cast<SQLSMALLINT>(sizeof name)) {
            longName.assign(static_cast<size_t>(nameLength) + 1, '\0');
            nameBuffer = longName.data();
            rc = SQLDescribeCol(st.h, static_cast<SQLUSMALLINT>(i), reinterpret_cast<SQLCHAR*>(nameBuffer),
                                static_cast<SQLSMALLINT>(longName.size()), &nameLength, &sqlType, &size, &digits,
                                &nullable);
        }
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            GetError(connection.Env(), connection.Handle(), &st);
            continue;
        }
        FieldEntry& field = record.Fields[static_cast<size_t>(i - 1)];
        const size_t room = longName.empty() ? sizeof name : longName.size();
        field.Name.assign(nameBuffer, strnlen(nameBuffer, room));
        field.Type = TypeCode(sqlType);
        field.Size = field.Type == 12 ? 0 : (size > static_cast<SQLULEN>(INT_MAX) ? INT_MAX : static_cast<int>(size));
        grid.SetCell(0, i - 1, field.Name);
        cols[static_cast<size_t>(i - 1)].code = field.Type;
    }
    // Numbers are bound, and short texts where the driver can read a bound
    // column again when its value is longer than the buffer. A driver that
    // reads unbound columns only after the last bound one gets bound columns
    // up to the first other column.
    const unsigned long extensions = connection.GetDataExtensions();
    const bool anyColumn = (extensions & SQL_GD_ANY_COLUMN) != 0;
    const bool bindText = anyColumn && (extensions & SQL_GD_BOUND) != 0;
    size_t texts = 0;
    if (bindText)
        for (const auto& c : cols) texts += ShortTextCode(c.code);
    char onStack[16 * BoundText];
    std::unique_ptr<char[]> onHeap(texts > 16 ? new char[texts * BoundText] : nullptr);
    char* nextText = onHeap ? onHeap.get() : onStack;
    for (int i = 0; i < n && st.h != SQL_NULL_HSTMT; ++i) {
        ResultColumn& c = cols[static_cast<size_t>(i)];
        SQLSMALLINT cType;
        SQLPOINTER target;
        SQLLEN length = 0;
        if (c.code == 3) cType = SQL_C_SSHORT, target = &c.v.s;
        else if (c.code == 4) cType = SQL_C_SLONG, target = &c.v.i;
        else if (c.code == 7) cType = SQL_C_DOUBLE, target = &c.v.d;
        else if (bindText && ShortTextCode(c.code)) cType = SQL_C_CHAR, target = c.text = nextText, length = BoundText, nextText += BoundText;
        else if (anyColumn) continue;
        else break;
        if (!SQL_SUCCEEDED(SQLBindCol(st.h, static_cast<SQLUSMALLINT>(i + 1), cType, target, length, &c.ind))) {
            GetError(connection.Env(), connection.Handle(), &st);
            break;
        }
        c.bound = true;
    }
    int rows = 0;
    if (n > 0 && st.h != SQL_NULL_HSTMT) {
        std::string text;
        for (;;) {
            SQLRETURN rc = SQLFetch(st.h);
            if (rc == SQL_NO_DATA) break;
            if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
                GetError(connection.Env(), connection.Handle(), &st);
                break;
            }
            std::vector<FieldValue> cells(static_cast<size_t>(n));
            bool failed = false;
            for (int i = 0; i < n; ++i) {
                FieldValue& value = cells[static_cast<size_t>(i)];
                if (!ColumnValue(st.h, static_cast<SQLUSMALLINT>(i + 1), cols[static_cast<size_t>(i)], text,
                                 value)) {
                    GetError(connection.Env(), connection.Handle(), &st);
                    failed = true;
                    break;
                }
                if (rows == 0) record.Fields[static_cast<size_t>(i)].Value = value;
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

// The handles shared by the connections opened with one connection string.
struct OdbcLink {
    std::string key;  // the connection string
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    int users = 0;
    OdbcLink* next = nullptr;
};

namespace {

// The open links; a plain pointer, so that connections destroyed at exit
// find it intact.
OdbcLink* OpenLinks = nullptr;

void Unlink(OdbcLink* link) {
    for (OdbcLink** p = &OpenLinks; *p; p = &(*p)->next)
        if (*p == link) {
            *p = link->next;
            break;
        }
    std::fill(link->key.begin(), link->key.end(), '\0');
    delete link;
}

}  // namespace

OdbcConnection::~OdbcConnection() {
    if (link_ && link_->users > 1) {
        --link_->users;
        return;
    }
    if (dbc_) {
        SQLDisconnect(static_cast<SQLHDBC>(dbc_));
        SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
    }
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
    if (link_) Unlink(link_);
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
    Doing doing("connecting " + MaskPassword(connectString));
    if (connection.IsOpen()) ODBCCloseDatabase(connection);
    for (OdbcLink* link = OpenLinks; link; link = link->next)
        if (link->key == connectString) {
            ++link->users;
            connection.env_ = link->env;
            connection.dbc_ = link->dbc;
            connection.link_ = link;
            connection.dbmsName_ = DbmsName(link->dbc);
            SQLUINTEGER extensions = 0;
            if (SQL_SUCCEEDED(SQLGetInfo(link->dbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)))
                connection.getDataExtensions_ = extensions;
            return true;
        }
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
        auto* link = new OdbcLink{connectString, env, dbc, 1, OpenLinks};
        OpenLinks = link;
        connection.env_ = env;
        connection.dbc_ = dbc;
        connection.link_ = link;
        connection.dbmsName_ = DbmsName(dbc);
        SQLUINTEGER extensions = 0;
        if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)))
            connection.getDataExtensions_ = extensions;
        return true;
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return false;
}

bool ODBCCloseDatabase(OdbcConnection& connection) {
    if (!connection.IsOpen()) return true;  // nothing to close
    if (connection.link_ && connection.link_->users > 1) {
        // Another connection still uses the handles.
        --connection.link_->users;
    } else {
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
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        if (connection.link_) Unlink(connection.link_);
    }
    connection.link_ = nullptr;
    connection.dbc_ = nullptr;
    connection.env_ = nullptr;
    connection.dbmsName_.clear();
    connection.getDataExtensions_ = 0;
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
    Doing doing("running " + sql);
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
    for (;;) {
        SQLRETURN rc = SQLFetch(st.h);
        if (rc == SQL_NO_DATA) break;
        std::string name;
        if ((rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) || ReadChars(st.h, 3, name) == Read::Failed) {
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

namespace vd {

bool ODBCSetAutoCommit(OdbcConnection& connection, bool on) {
    if (!connection.IsOpen()) return NotConnected(), false;
    const SQLRETURN rc = SQLSetConnectAttr(static_cast<SQLHDBC>(connection.Handle()), SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
                                           SQL_IS_UINTEGER);
    if (SQL_SUCCEEDED(rc)) return true;
    GetError(static_cast<SQLHENV>(connection.Env()), static_cast<SQLHDBC>(connection.Handle()), nullptr);
    return false;
}

bool ODBCEndTran(OdbcConnection& connection, bool commit) {
    if (!connection.IsOpen()) return NotConnected(), false;
    DebugLog(commit ? "commit" : "rollback");
    const SQLRETURN rc =
        SQLEndTran(SQL_HANDLE_DBC, static_cast<SQLHDBC>(connection.Handle()), commit ? SQL_COMMIT : SQL_ROLLBACK);
    if (SQL_SUCCEEDED(rc)) return true;
    GetError(static_cast<SQLHENV>(connection.Env()), static_cast<SQLHDBC>(connection.Handle()), nullptr);
    return false;
}

}  // namespace vd
