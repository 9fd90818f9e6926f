// Table-level record access: the SQL for reading, storing and deleting rows
// is built from a record's field names, type codes and values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "data/ODBCAPI.h"

namespace vd {

// Reads the rows whose key fields match; returns the number of rows read,
// 0 when none. A key field that holds a value (a number, or a text, the
// empty text included) takes part in the condition; one never given a
// value is left out.
int SeekRec(const std::string& table, const std::string& keyList, TableInfo& record,
            OdbcConnection& connection, const std::string& extra = "", bool count = false);
// Reads the same rows as SeekRec without a key list, one at a time: each row
// in turn is the record's current values while row() runs; none is kept.
void SeekEach(const std::string& table, TableInfo& record, OdbcConnection& connection, const std::string& extra,
              const std::function<void()>& row);
// Updates the row of the record's key when it exists, inserts it otherwise.
void UpdateRecInfo(const std::string& table, const std::string& keyList, TableInfo& record,
                   OdbcConnection& connection);
void ODBCAddNew(OdbcConnection& connection, const std::string& table, TableInfo& record);
void ODBCEdit(OdbcConnection& connection, const std::string& table, TableInfo& record,
              const std::string& keyList);
// Deletes the rows whose key fields match (as for SeekRec) unless more than
// limit (0 = no limit) match; returns the number deleted. A key with no
// value at all deletes nothing.
int DeleteRec(const std::string& table, const std::string& keyList, TableInfo& record,
              OdbcConnection& connection, std::int16_t limit);

// Whether a database system takes column names in square brackets
// ("[Name]"): SQLite, Microsoft SQL Server and Access do; ODBCEdit writes
// its key conditions so there, and plain names for every other system
// (PostgreSQL among them).
bool AcceptsBracketNames(const std::string& dbmsName);

std::string FixQuotes(const std::string& text);
std::string NextToken(std::string& list, const std::string& delimiter);

}  // namespace vd
