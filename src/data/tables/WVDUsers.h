// Users of the billing database (the web users). Column names are the
// billing database's own; the program addresses the columns by position.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "data/tables/Positions.h"

namespace vd {

struct clsWVDUsers {
    std::string TableName = "Users";
    std::string KeyList = "0;";
    std::int16_t FieldCount = 35;
    std::array<std::int16_t, 35> Position = Positions<35>();
};

}  // namespace vd
