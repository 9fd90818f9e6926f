// A code table of the parameters database (code and description); its
// name is given when it is created.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsInternalTable {
    std::string KeyList = "0;";
    std::int16_t FieldCount = 2;
    std::int16_t Code = 0;
    std::int16_t Description = 1;
    // True when the index was created; false when the table already existed
    // or a statement failed.
    bool CreateTable(const std::string& name);
    // The statements CreateTable runs for a code table of that name.
    static std::string CreateTableSQL(const std::string& name);
    static std::string CreateIndexSQL(const std::string& name);
};

}  // namespace vd
