// CustomSearch of the parameters database: saved search formats.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsCustomSearch {
    std::string TableName = "CustomSearch";
    std::string KeyList = "0;1;2;";
    std::int16_t FieldCount = 7;
    std::int16_t Application = 0;
    std::int16_t DocType = 1;
    std::int16_t Format = 2;
    std::int16_t Users = 3;
    std::int16_t SearchFields = 4;
    std::int16_t SearchTypes = 5;
    std::int16_t HitListFields = 6;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs ("" for no index).
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
