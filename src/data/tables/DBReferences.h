// DBReferences of the parameters database: references between databases.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsDBReferences {
    std::string TableName = "DBReferences";
    std::string KeyList = "0;1;2;";
    std::int16_t FieldCount = 6;
    std::int16_t Application = 0;
    std::int16_t DocType = 1;
    std::int16_t ReferenceSet = 2;
    std::int16_t SourceReferenceField = 3;
    std::int16_t Delimiters = 4;
    std::int16_t TargetReferenceFields = 5;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs ("" for no index).
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
