// The loading of a result set: columns described, numbers and short texts
// bound, each fetched row's values read whole and handed on.
#include "data/OdbcInternal.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace vd {

namespace odbc {

namespace {
constexpr SQLLEN CharBufferSize = 65536;
}  // namespace


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

namespace {


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

// The record's fields start over from the statement's columns; the names
// keep their storage for the next statement.
std::vector<ResultColumn> DescribeColumns(OdbcConnection& connection, Statement& st, int n, TableInfo& record) {
    const SQLHENV env = connection.Link()->env.h;
    const SQLHDBC dbc = connection.Link()->dbc.h;
    ResultGrid& grid = record.Grid;
    if (n > 0) grid.SetColCount(n);
    record.FieldCount = n;
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
    return cols;
}

// The buffers of bound text columns, as many as the binding needs.
struct TextBuffers {
    char onStack[16 * BoundText];
    std::unique_ptr<char[]> onHeap;
    char* next = onStack;
    explicit TextBuffers(size_t texts) : onHeap(texts > 16 ? new char[texts * BoundText] : nullptr) {
        if (onHeap) next = onHeap.get();
    }
};

// Numbers are bound, and short texts where the driver can read a bound
// column again when its value is longer than the buffer. A driver that
// reads unbound columns only after the last bound one gets bound columns
// up to the first other column.
void BindColumns(OdbcConnection& connection, Statement& st, std::vector<ResultColumn>& cols, TextBuffers& buffers) {
    const unsigned long extensions = connection.GetDataExtensions();
    const bool anyColumn = (extensions & SQL_GD_ANY_COLUMN) != 0;
    const bool bindText = anyColumn && (extensions & SQL_GD_BOUND) != 0;
    for (size_t i = 0; i < cols.size(); ++i) {
        ResultColumn& c = cols[i];
        SQLSMALLINT cType;
        SQLPOINTER target;
        SQLLEN length = 0;
        if (c.code == FieldType::SmallInt) cType = SQL_C_SSHORT, target = &c.v.s;
        else if (c.code == FieldType::Integer) cType = SQL_C_SLONG, target = &c.v.i;
        else if (c.code == FieldType::Double) cType = SQL_C_DOUBLE, target = &c.v.d;
        else if (bindText && ShortTextCode(c.code)) cType = SQL_C_CHAR, target = c.text = buffers.next, length = BoundText, buffers.next += BoundText;
        else if (anyColumn) continue;
        else break;
        if (!SQL_SUCCEEDED(SQLBindCol(st.h, static_cast<SQLUSMALLINT>(i + 1), cType, target, length, &c.ind)))
            Fail(connection.Link()->env.h, connection.Link()->dbc.h, st.h);
        c.bound = true;
    }
}

size_t BoundTexts(OdbcConnection& connection, const std::vector<ResultColumn>& cols) {
    const unsigned long extensions = connection.GetDataExtensions();
    if ((extensions & SQL_GD_ANY_COLUMN) == 0 || (extensions & SQL_GD_BOUND) == 0) return 0;
    size_t texts = 0;
    for (const auto& c : cols) texts += ShortTextCode(c.code);
    return texts;
}

}  // namespace

void FetchResult(OdbcConnection& connection, Statement& st, SQLSMALLINT columns, TableInfo& record,
                 const RowSink& sink) {
    const int n = columns;
    std::vector<ResultColumn> cols = DescribeColumns(connection, st, n, record);
    TextBuffers buffers(BoundTexts(connection, cols));
    BindColumns(connection, st, cols, buffers);
    if (n == 0) return;
    std::string text;
    for (;;) {
        const SQLRETURN rc = SQLFetch(st.h);
        if (rc == SQL_NO_DATA) break;
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) Fail(connection.Link()->env.h, connection.Link()->dbc.h, st.h);
        std::vector<FieldValue> cells(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            if (!ColumnValue(st.h, static_cast<SQLUSMALLINT>(i + 1), cols[static_cast<size_t>(i)], text,
                             cells[static_cast<size_t>(i)]))
                Fail(connection.Link()->env.h, connection.Link()->dbc.h, st.h);
        sink(cells);
    }
}

}  // namespace odbc

}  // namespace vd
