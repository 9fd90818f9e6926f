// Drives of the parameters database: archive drives and their paths.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsDrives {
    std::string TableName = "Drives";
    std::string KeyList = "0;";
    std::int16_t FieldCount = 4;
    std::int16_t Drive = 0;
    std::int16_t DriveType = 1;
    std::int16_t PathPrefix = 2;
    std::int16_t ArchiveEnabled = 3;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs.
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
