// Creating a catalogue table when its database lacks it.
#pragma once

#include <string>

namespace vd {

// On a parameters connection of its own: unless the table exists, runs the
// CREATE TABLE and then the index statement ("" for none) with a throwaway
// record of that name. True when the table existed or both statements ran;
// *created tells whether the statements ran.
bool CreateParamsTable(const std::string& table, const std::string& createSql, const std::string& indexSql,
                       const std::string& recordName, bool* created = nullptr);

// The same on the application's own database (OpenDB).
bool CreateApplicationTable(const std::string& appl, const std::string& docType, const std::string& table,
                            const std::string& createSql, const std::string& indexSql);

}  // namespace vd
