// Cartridges of the parameters database: archive cartridges.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsCartridges {
    std::string TableName = "Cartridges";
    std::string KeyList = "0;";
    std::int16_t FieldCount = 8;
    std::int16_t CartName = 0;
    std::int16_t CartDesc = 1;
    std::int16_t CartType = 2;
    std::int16_t CartPrefix = 3;
    std::int16_t ArchiveEnabled = 4;
    std::int16_t MBLimit = 5;
    std::int16_t BytesUsed = 6;
    std::int16_t NewCart = 7;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs ("" for no index).
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
