// What the tests know of a site's tables beyond what the program uses: the
// catalogue entries of the accounting database's other tables, and the
// statements that create the parameters database's tables (the same as
// scripts/schema/params.sql) and an application's code tables, with the
// routine that runs them on a database that lacks the table.
#pragma once

#include "data/ODBCAPI.h"
#include "data/tables/Catalogue.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vdtest {

// Column positions 0, 1, 2, ... for entries whose columns are not named.
template <std::size_t N>
constexpr std::array<std::int16_t, N> Positions() {
    std::array<std::int16_t, N> p{};
    for (std::size_t i = 0; i < N; ++i) p[i] = static_cast<std::int16_t>(i);
    return p;
}

// The accounting database's other tables.

struct clsTransactions : vd::CatalogueEntry<"Transactions", "0;1;2;3;4", 22> {
    static inline const std::string KeyList2{"2;0;1;3;4"};
    static constexpr std::array<std::int16_t, 22> Position = Positions<22>();
};

// Positions are given for the first ten columns.
struct clsUser_Accounts : vd::CatalogueEntry<"User_Accounts", "0;1;2", 11> {
    static constexpr std::array<std::int16_t, 10> Position = Positions<10>();
};

// The web users.
struct clsWVDUsers : vd::CatalogueEntry<"Users", "0;", 35> {
    static constexpr std::array<std::int16_t, 35> Position = Positions<35>();
};

// The statements that create a table: CREATE TABLE, then its index ("" for
// none).
struct TableStatements {
    std::string Create;
    std::string Index;
};

// The statements of a named table of the parameters database (Drives,
// Applications, DocumentTypes, Users, Password, Queues, Cartridges,
// CustomSearch, DBReferences) or of an application's database
// (TitleAbstract, TitleSubdivision); failure 5 for any other name.
TableStatements CreationStatements(const std::string& table);
// The statements of a code table (clsInternalTable) of that name.
TableStatements CodeTableStatements(const std::string& name);

// Unless the connection's database has the table, runs its statements;
// true when it created the table, false when the table was there.
bool CreateCatalogueTable(vd::OdbcConnection& connection, const std::string& table,
                          const TableStatements& statements);

}  // namespace vdtest
