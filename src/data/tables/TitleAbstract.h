// TitleAbstract of an application's own database.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsTitleAbstract {
    std::string TableName = "TitleAbstract";
    std::string KeyList = "0;";
    std::int16_t FieldCount = 5;
    std::int16_t Code = 0;
    std::int16_t Description = 1;
    std::int16_t Tracts = 2;
    std::int16_t Arbs = 3;
    std::int16_t ReplaceCode = 4;
    // Creates the table and its index unless the table exists.
    bool CreateTable(const std::string& appl, const std::string& docType);
    // The statements CreateTable runs ("" for no index).
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
