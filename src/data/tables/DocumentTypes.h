// DocumentTypes of the parameters database: one row per database
// (application and document type).
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsDocumentTypes {
    std::string TableName = "DocumentTypes";
    std::string KeyList = "0;1;";
    std::int16_t FieldCount = 13;
    std::int16_t DocTypeAppl = 0;
    std::int16_t DocTypeId = 1;
    std::int16_t DocTypeDesc = 2;
    std::int16_t DocTypePath = 3;
    std::int16_t PrimJoinField = 4;
    std::int16_t JoinField = 5;
    std::int16_t DisplayAttach = 6;
    std::int16_t DatabaseType = 7;
    std::int16_t DatabaseName = 8;
    std::int16_t DatabaseUserID = 9;
    std::int16_t DatabasePassword = 10;
    std::int16_t DatabaseDataSourceName = 11;
    std::int16_t MEFieldNums = 12;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs.
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
