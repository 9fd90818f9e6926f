// Table-level record access: SQL built from a record's field names, type
// codes and values. Text values are written with their apostrophes doubled;
// numbers are written only when they are numbers.
#include "data/RecordAccess.h"

#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "data/OpenTable.h"
#include "data/SqlText.h"

namespace vd {

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void RemoveTrailing(std::string& text, const std::string& tail) {
    if (EndsWith(text, tail)) text.erase(text.size() - tail.size());
}

// The positions of a key list, in order, up to the first empty piece.
std::vector<int> KeyPositions(const std::string& keyList) {
    std::vector<int> positions;
    std::string list = keyList;
    for (;;) {
        std::string piece = NextToken(list, ";");
        if (piece.empty()) break;
        positions.push_back(static_cast<int>(Val(piece)));
    }
    return positions;
}

// A key condition: Name=number for a number column, Name='text' for every
// other one. "%" and "_" are plain characters: a value from the request is
// never a pattern.
std::string Equality(const std::string& name, const FieldEntry& field) {
    if (IsNumericType(field.Type)) return name + "=" + SqlNumber(field.Value) + " AND ";
    return name + "='" + FixQuotes(field.Value.Text()) + "' AND ";
}

// Whether a key column takes part in a condition: when it holds a value, a
// number or a text. An empty text is a value too (the key '' matches only
// the rows of ''); only a column never given one is left out, so a key
// with an empty part never matches the rows of another key.
bool InKeyCondition(const FieldEntry& field) { return field.Value.IsFilled() || field.Value.CountsAsText(); }

}  // namespace

bool AcceptsBracketNames(const std::string& dbmsName) {
    const std::string name = Trim(dbmsName);
    return EqualsNoCase(name, "SQLite") || EqualsNoCase(name, "Microsoft SQL Server") || EqualsNoCase(name, "ACCESS");
}

std::string FixQuotes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string NextToken(std::string& list, const std::string& delimiter) { return TakeToken(list, delimiter); }

namespace {

std::string SeekSql(const std::string& table, const std::string& keyList, const TableInfo& record,
                    const std::string& extra, bool count) {
    std::string sql = count ? "select count(" + record.Field(0).Name + ") from " + table + " where "
                            : "select * from " + table + " where ";
    if (!keyList.empty()) {
        std::string order;
        for (int position : KeyPositions(keyList)) {
            const FieldEntry& field = record.Field(position);
            if (InKeyCondition(field)) sql += Equality(field.Name, field);
            order += field.Name + ",";
        }
        RemoveTrailing(sql, "AND ");
        RemoveTrailing(sql, " where ");
        if (!order.empty()) sql += " order by " + order.substr(0, order.size() - 1);
    } else {
        for (int i = 0; i < record.FieldCount; ++i) {
            const FieldEntry& field = record.Field(i);
            if (field.Value.IsFilled()) sql += Equality(field.Name, field);
        }
        RemoveTrailing(sql, "AND ");
        RemoveTrailing(sql, " where ");
        sql += " " + extra;
    }
    if (DebugLogging()) DebugLog("seekrec - " + sql);
    return sql;
}

}  // namespace

int SeekRec(const std::string& table, const std::string& keyList, TableInfo& record, OdbcConnection& connection,
            const std::string& extra, bool count) {
    ODBCExecSQL(SeekSql(table, keyList, record, extra, count), connection, record);
    return record.NoMatch ? 0 : record.RecordCount;
}

void SeekEach(const std::string& table, TableInfo& record, OdbcConnection& connection, const std::string& extra,
              const std::function<void()>& row) {
    ODBCForEachRow(SeekSql(table, "", record, extra, false), connection, record, row);
}

void UpdateRecInfo(const std::string& table, const std::string& keyList, TableInfo& record,
                   OdbcConnection& connection) {
    std::string sql = "select * from " + table + " where ";
    for (int position : KeyPositions(keyList)) {
        const FieldEntry& field = record.Field(position);
        sql += Equality(field.Name, field);
    }
    RemoveTrailing(sql, " AND ");
    RemoveTrailing(sql, " where ");
    TableInfo probe;
    probe.Name = "UpdateRecInfo";
    TableCloser closing(probe);
    // A failed existence test writes nothing.
    ODBCExecSQL(sql, connection, probe);
    if (probe.NoMatch) ODBCAddNew(connection, table, record);
    else ODBCEdit(connection, table, record, keyList);
}

void ODBCAddNew(OdbcConnection& connection, const std::string& table, TableInfo& record) {
    std::string sql = "insert into " + table + " values (";
    for (int i = 0; i < record.FieldCount; ++i) {
        const FieldEntry& field = record.Field(i);
        const std::string t = Trim(field.Value.Text());
        if (IsNumericType(field.Type)) {
            sql += t.empty() ? "NULL," : SqlNumber(field.Value) + ",";
        } else if (field.Type == FieldType::Timestamp) {
            sql += t.empty() ? "null," : "'" + SqlTimestamp(t) + "',";
        } else if (IsTextType(field.Type)) {
            sql += t.empty() ? "NULL," : "'" + FixQuotes(t) + "',";
        }
    }
    sql.pop_back();
    sql += ")";
    if (DebugLogging()) DebugLog("ODBCAddNew " + sql);
    TableInfo temp;
    ODBCExecSQL(sql, connection, temp);
}

void ODBCEdit(OdbcConnection& connection, const std::string& table, TableInfo& record, const std::string& keyList) {
    const std::vector<int> keys = KeyPositions(keyList);
    // An update without a key would overwrite every row.
    if (keys.empty()) Raise(Err::InvalidCall);
    std::string sql = "update " + table + " set ";
    for (int i = 0; i < record.FieldCount; ++i) {
        const FieldEntry& field = record.Field(i);
        const std::string t = Trim(field.Value.Text());
        sql += field.Name + "=";
        if (t.empty()) {
            sql += "null,";
        } else if (IsTextType(field.Type)) {
            sql += "'" + FixQuotes(t) + "',";
        } else if (IsNumericType(field.Type)) {
            sql += SqlNumber(field.Value) + ",";
        } else if (field.Type == FieldType::Timestamp) {
            sql += "'" + FixQuotes(t) + "',";
        }
    }
    sql.pop_back();
    sql += " where ";
    const bool brackets = AcceptsBracketNames(connection.DbmsName());
    for (int position : keys) {
        const FieldEntry& field = record.Field(position);
        sql += Equality(brackets ? "[" + field.Name + "]" : field.Name, field);
    }
    RemoveTrailing(sql, " AND ");
    RemoveTrailing(sql, " where ");
    TableInfo temp;
    temp.Name = "tempinfo";
    ODBCExecSQL(sql, connection, temp);
}

int DeleteRec(const std::string& table, const std::string& keyList, TableInfo& record, OdbcConnection& connection,
              std::int16_t limit) {
    std::string sql = "select COUNT(" + record.Field(0).Name + ") from " + table + " where ";
    for (int position : KeyPositions(keyList)) {
        const FieldEntry& field = record.Field(position);
        if (InKeyCondition(field)) sql += Equality(field.Name, field);
    }
    RemoveTrailing(sql, "AND ");
    // Never without a condition.
    if (EndsWith(sql, " where ")) return 0;
    if (DebugLogging()) DebugLog("DeleteRec: Seek SQL=" + sql);
    TableInfo temp;
    temp.Name = "tempinfo";
    ODBCExecSQL(sql, connection, temp);
    const std::int32_t count = CLng(temp.Field(0).Value.ToDouble());
    if (limit != 0 && count > limit) return 0;
    const std::string del = "delete " + sql.substr(sql.find(" from") + 1);
    if (DebugLogging()) DebugLog("DeleteRec: Delete SQL=" + del);
    ODBCExecSQL(del, connection, temp);
    return count;
}

}  // namespace vd
