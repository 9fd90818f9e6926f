// The number of a new rate plan: the lowest free one of its database, found
// and taken inside the write transaction that inserts the row, under a lock
// of the database's own, so that program folders on any number of hosts
// never give two plans one number.
#pragma once

#include <cstdint>
#include <string>

#include "base/RunError.h"
#include "data/ODBCAPI.h"
#include "data/TableInfo.h"

namespace vd {

// Inside an open write transaction (OdbcTransaction): holds off every other
// numbering of this database's plans until the transaction ends. SQLite
// needs nothing more, its transaction holds the database's write lock from
// the start; PostgreSQL takes a transaction-scoped advisory lock on the
// application and document type. Other systems have no lock here: their
// duplicates are refused by the table's key and the save tries again.
void LockPlanNumbering(OdbcConnection& connection, const std::string& appl, const std::string& docType);

// The smallest plan number 0, 1, 2, ... that this database does not use
// yet, from one statement. All of 0 to 32767 taken is failure 6 "Overflow".
// The record (Rate_Schedule as opened) is left holding the key of the free
// number and no other value.
std::int16_t NumberNewPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl,
                           const std::string& docType);

// Whether the database refused a row as a duplicate or another broken
// constraint (SQLSTATE class 23, or SQLite's constraint code).
bool IsKeyRefusal(const DbError& failure);

}  // namespace vd
