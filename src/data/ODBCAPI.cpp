// The ODBC layer: connections, one statement at a time with the locked
// record retry, error retrieval, table lists, and the loading of a result
// set into the record's grid. Every handle is owned by an object that frees
// it; every error the driver reports is thrown as a DbError.
#include "data/ODBCAPI.h"

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
#include <memory>

namespace vd {

namespace {

constexpr int LockedRecord = 10;
constexpr int MaxSends = 5;
constexpr SQLLEN CharBufferSize = 65536;

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

}  // namespace

// The handles of one connect, shared by the connections that Share them.
// The connection handle is freed before the environment (members are
// destroyed in reverse order).
struct OdbcLink {
    std::string key;  // the connection string
    int openTransactions = 0;  // OdbcTransaction objects open on the handles
    EnvHandle env;
    DbcHandle dbc;
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

namespace {

// The last error of the handles as the driver tells it.
struct Diagnostic {
    long native = 0;
    std::string state;
    std::string text;
};

Diagnostic ReadDiagnostic(SQLHENV env, SQLHDBC dbc, SQLHSTMT statement) {
    DebugLog("start of geterror");
    std::vector<char> state(1024, '\0'), message(1024, '\0');
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLError(env, dbc, statement, reinterpret_cast<SQLCHAR*>(state.data()), &native,
             reinterpret_cast<SQLCHAR*>(message.data()), 1023, &length);
    return {native, StripNull(std::string(state.data(), state.size())),
            StripNull(std::string(message.data(), message.size()))};
}

// A locked record, a connection already in use (08002), one that does not
// exist (08003) and no error at all (00000) are failures that are not
// shown; every other error is logged and shown.
[[noreturn]] void Throw(const Diagnostic& d) {
    const bool shown =
        ClassifyOdbcError(d.native, d.state) == -1 && d.state != "08003" && d.state != "00000";
    if (shown) DebugLog("Error: " + std::to_string(d.native) + d.state + d.text);
    throw DbError(d.native, d.state, d.text, shown);
}

[[noreturn]] void Fail(SQLHENV env, SQLHDBC dbc, SQLHSTMT statement = SQL_NULL_HSTMT) {
    Throw(ReadDiagnostic(env, dbc, statement));
}

// An operation on a connection that is not open: 08003 (connection does
// not exist), not shown.
[[noreturn]] void NotConnected() {
    DebugLog("start of geterror");
    throw DbError(0, "08003", "", false);
}

FieldType TypeOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_BIT: return FieldType::Bit;
        case SQL_TINYINT: return FieldType::TinyInt;
        case SQL_SMALLINT: return FieldType::SmallInt;
        case SQL_INTEGER: return FieldType::Integer;
        case SQL_NUMERIC: return FieldType::Numeric;
        case SQL_REAL: return FieldType::Real;
        case SQL_DECIMAL:
        case SQL_DOUBLE: return FieldType::Double;
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIMESTAMP: return FieldType::Timestamp;
        case SQL_TYPE_DATE: return FieldType::Date;
        case SQL_TYPE_TIME:
        case SQL_CHAR:
        case SQL_VARCHAR: return FieldType::Text;
        case SQL_LONGVARBINARY: return FieldType::LongBinary;
        case SQL_LONGVARCHAR: return FieldType::LongText;
        default: return static_cast<FieldType>(sqlType);
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
    FieldType code = FieldType::Unknown;
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
bool ShortTextCode(FieldType code) {
    switch (code) {
        case FieldType::Bit:
        case FieldType::TinyInt:
        case FieldType::Numeric:
        case FieldType::Real:
        case FieldType::Timestamp:
        case FieldType::Date:
        case FieldType::Text:
        case FieldType::BigInt: return true;
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
        if (c.code == FieldType::Timestamp) {
            const size_t dot = text.find('.');
            if (dot != std::string::npos) text.resize(dot);
        }
        value = FieldValue(std::move(text));
        return true;
    }
    if (c.ind == SQL_NULL_DATA) value = FieldValue();
    else if (c.code == FieldType::SmallInt) value = FieldValue(static_cast<std::int64_t>(c.v.s));
    else if (c.code == FieldType::Integer) value = FieldValue(static_cast<std::int64_t>(c.v.i));
    else value = FieldValue(c.v.d);
    return true;
}

// Loads the result of an executed statement into the record and its grid.
void LoadResult(OdbcConnection& connection, Statement& st, SQLSMALLINT columns, TableInfo& record) {
    const SQLHENV env = connection.Link()->env.h;
    const SQLHDBC dbc = connection.Link()->dbc.h;
    ResultGrid& grid = record.Grid;
    const int n = columns;
    if (n > 0) grid.SetColCount(n);
    record.FieldCount = n;
    // Every field starts over; the names keep their storage for the next
    // statement.
    record.Fields.resize(static_cast<size_t>(n));
    for (auto& field : record.Fields) {
        field.Name.clear();
        field.Type = FieldType::Unknown;
        field.Size = 0;
        field.Value = FieldValue();
    }
    grid.CurrentRow = 0;
    std::vector<ResultColumn> cols(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
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
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) Fail(env, dbc, st.h);
        FieldEntry& field = record.Fields[static_cast<size_t>(i - 1)];
        const size_t room = longName.empty() ? sizeof name : longName.size();
        field.Name.assign(nameBuffer, strnlen(nameBuffer, room));
        field.Type = TypeOf(sqlType);
        field.Size = field.Type == FieldType::LongText ? 0 : (size > static_cast<SQLULEN>(INT_MAX) ? INT_MAX : static_cast<int>(size));
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
    for (int i = 0; i < n; ++i) {
        ResultColumn& c = cols[static_cast<size_t>(i)];
        SQLSMALLINT cType;
        SQLPOINTER target;
        SQLLEN length = 0;
        if (c.code == FieldType::SmallInt) cType = SQL_C_SSHORT, target = &c.v.s;
        else if (c.code == FieldType::Integer) cType = SQL_C_SLONG, target = &c.v.i;
        else if (c.code == FieldType::Double) cType = SQL_C_DOUBLE, target = &c.v.d;
        else if (bindText && ShortTextCode(c.code)) cType = SQL_C_CHAR, target = c.text = nextText, length = BoundText, nextText += BoundText;
        else if (anyColumn) continue;
        else break;
        if (!SQL_SUCCEEDED(SQLBindCol(st.h, static_cast<SQLUSMALLINT>(i + 1), cType, target, length, &c.ind)))
            Fail(env, dbc, st.h);
        c.bound = true;
    }
    int rows = 0;
    if (n > 0) {
        std::string text;
        for (;;) {
            SQLRETURN rc = SQLFetch(st.h);
            if (rc == SQL_NO_DATA) break;
            if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) Fail(env, dbc, st.h);
            std::vector<FieldValue> cells(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                FieldValue& value = cells[static_cast<size_t>(i)];
                if (!ColumnValue(st.h, static_cast<SQLUSMALLINT>(i + 1), cols[static_cast<size_t>(i)], text, value))
                    Fail(env, dbc, st.h);
                if (rows == 0) record.Fields[static_cast<size_t>(i)].Value = value;
            }
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

namespace {

// The Timeout entry of a connection string (milliseconds), 0 without one
// or with one that is no whole number.
long TimeoutOf(const std::string& connectString) {
    long timeout = 0;
    for (const auto& a : SplitAttributes(connectString))
        if (SameKey(a.key, "Timeout")) {
            const std::string value = Trim(a.value);
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            timeout = !value.empty() && *end == '\0' && n > 0 ? n : 0;
        }
    return timeout;
}

// A link of its own for the connection string, connected.
std::shared_ptr<OdbcLink> Connect(const std::string& connectString) {
    auto link = std::make_shared<OdbcLink>();
    link->key = connectString;
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &link->env.h) != SQL_SUCCESS)
        Fail(link->env.h, SQL_NULL_HDBC);
    SQLSetEnvAttr(link->env.h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
    if (SQLAllocHandle(SQL_HANDLE_DBC, link->env.h, &link->dbc.h) != SQL_SUCCESS) Fail(link->env.h, link->dbc.h);
    std::string resolved = ResolveFileDsn(connectString);
    link->timeoutMs = TimeoutOf(resolved);
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(link->dbc.h, nullptr, reinterpret_cast<SQLCHAR*>(resolved.data()), SQL_NTS,
                                          nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
    std::fill(resolved.begin(), resolved.end(), '\0');
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        // 08002: the connection is already there.
        const Diagnostic d = ReadDiagnostic(link->env.h, link->dbc.h, SQL_NULL_HSTMT);
        if (ClassifyOdbcError(d.native, d.state) != 0) Throw(d);
    }
    link->connected = true;
    return link;
}

}  // namespace

OdbcConnection::~OdbcConnection() { ODBCCloseDatabase(*this); }

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

std::string ConnectionAttribute(const std::string& connectString, const std::string& key) {
    std::string value;
    for (const auto& a : SplitAttributes(connectString))
        if (SameKey(a.key, key)) value = a.value;
    return value;
}

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

long OdbcConnection::SharedBy() const { return link_ ? link_.use_count() : 0; }

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

void ODBCExecSQL(const std::string& sql, OdbcConnection& connection, TableInfo& record) {
    Doing doing("running " + sql);
    record.Number.Give();
    for (int sends = 1;; ++sends) {
        record.Grid.SetRowCount(2);
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
        LoadResult(connection, st, columns, record);
        if (st.Free() != SQL_SUCCESS) Fail(env, dbc);
        return;
    }
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
