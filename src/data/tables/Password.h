// Password of the parameters database: the security switch.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsPassword {
    std::string TableName = "Password";
    std::int16_t FieldCount = 2;
    std::int16_t Password = 0;
    std::int16_t SecurityEnabled = 1;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs ("" for no index).
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
