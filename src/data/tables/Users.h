// Users of the parameters database.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsUsers {
    std::string TableName = "Users";
    std::string KeyList = "0;";
    std::int16_t FieldCount = 13;
    std::int16_t UserID = 0;
    std::int16_t UserName = 1;
    std::int16_t UserPass = 2;
    std::int16_t UserScan = 3;
    std::int16_t UserIndex = 4;
    std::int16_t UserArchive = 5;
    std::int16_t UserSearch = 6;
    std::int16_t UserSetup = 7;
    std::int16_t UserSuper = 8;
    std::int16_t UserDbAll = 9;
    std::int16_t UserAppDb = 10;
    std::int16_t GroupID = 11;
    std::int16_t UserInternet = 12;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs.
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
