// TitleSubdivision of an application's own database.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsTitleSubdivision {
    std::string TableName = "TitleSubdivision";
    std::string KeyList = "0;";
    std::int16_t FieldCount = 12;
    std::int16_t Code = 0;
    std::int16_t Description = 1;
    std::int16_t Blocks = 2;
    std::int16_t Lots = 3;
    std::int16_t DetailLevel = 4;
    std::int16_t Arbs = 5;
    std::int16_t NoBlocks = 6;
    std::int16_t NoLots = 7;
    std::int16_t Sub_Comments = 8;
    std::int16_t Sub_Close_Flag = 9;
    std::int16_t Close_Flags = 10;
    std::int16_t Close_Comments = 11;
    // Creates the table and its index unless the table exists.
    bool CreateTable(const std::string& appl, const std::string& docType);
    // The statements CreateTable runs ("" for no index).
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
