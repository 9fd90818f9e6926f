// Tables that close themselves: a record's grid is released, and its
// connection closed when asked, when the page is done with it or stops
// early on a failure.
#pragma once

#include "data/ODBCAPI.h"

namespace vd {

// Closes a record when the scope ends, on every path: releases its grid
// (logged) and, when a connection is given, closes that too. A record that
// never ran a statement has no grid to release. Never throws.
class TableCloser {
public:
    explicit TableCloser(TableInfo& record, OdbcConnection* connection = nullptr)
        : record_(record), connection_(connection) {}
    TableCloser(TableInfo& record, OdbcConnection& connection) : TableCloser(record, &connection) {}
    ~TableCloser() { Close(); }
    TableCloser(const TableCloser&) = delete;
    TableCloser& operator=(const TableCloser&) = delete;

    // Closes now (once): where a page's log shows the close before what follows.
    void Close() noexcept;

private:
    TableInfo& record_;
    OdbcConnection* connection_;
    bool closed_ = false;
};

// A table record with its own connection, both closed with it.
struct OpenTable {
    OdbcConnection connection;
    TableInfo record;
    TableCloser closer{record, connection};

    void Close() noexcept { closer.Close(); }
};

// Opens a table of the parameters database on the record's own connection
// and reads all its rows in the order the database returns them.
struct Databases;
void ReadWholeParamsTable(Databases& databases, const std::string& table, OpenTable& open);

}  // namespace vd
