// Transactions of the billing database. Column names are the billing
// database's own; the program addresses the columns by position.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "data/tables/Positions.h"

namespace vd {

struct clsTransactions {
    std::string TableName = "Transactions";
    std::string KeyList = "0;1;2;3;4";
    std::string KeyList2 = "2;0;1;3;4";
    std::int16_t FieldCount = 22;
    std::array<std::int16_t, 22> Position = Positions<22>();
};

}  // namespace vd
