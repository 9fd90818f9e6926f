// Applications of the parameters database.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsApplications {
    std::string TableName = "Applications";
    std::string KeyList = "0;";
    std::int16_t FieldCount = 5;
    std::int16_t ApplicationID = 0;
    std::int16_t ApplicationName = 1;
    std::int16_t LastImage = 2;
    std::int16_t FolderNaming = 3;
    std::int16_t ImagesPerFolder = 4;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs.
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
