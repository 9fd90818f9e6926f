// User_Accounts of the billing database. Column names are the billing
// database's own; positions are given for the first ten columns.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "data/tables/Positions.h"

namespace vd {

struct clsUser_Accounts {
    std::string TableName = "User_Accounts";
    std::string KeyList = "0;1;2";
    std::int16_t FieldCount = 11;
    std::array<std::int16_t, 10> Position = Positions<10>();
};

}  // namespace vd
