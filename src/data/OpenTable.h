// A table record with its own connection, both released when the page is
// done with them or stops early.
#pragma once

#include "data/ODBCAPI.h"

namespace vd {

struct OpenTable {
    OdbcConnection connection;
    TableInfo record;

    OpenTable() = default;
    ~OpenTable();
    OpenTable(const OpenTable&) = delete;
    OpenTable& operator=(const OpenTable&) = delete;

    // Releases the grid and closes the connection (CloseTable with its flag).
    void Close();

private:
    bool closed_ = false;
};

// Opens a table of the parameters database on the record's own connection
// and reads all its rows in the order the database returns them. A table
// that cannot be read has been shown on the error page by the data layer;
// the run ends with it.
void ReadWholeParamsTable(const std::string& table, OpenTable& open);

}  // namespace vd
