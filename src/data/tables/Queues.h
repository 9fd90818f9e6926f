// Queues of the parameters database: the work queues of each database.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsQueues {
    std::string TableName = "Queues";
    std::string KeyList = "0;1;2;";
    std::int16_t FieldCount = 6;
    std::int16_t Application = 0;
    std::int16_t DocType = 1;
    std::int16_t QueueName = 2;
    std::int16_t QueueLocation = 3;
    std::int16_t QueueUser = 4;
    std::int16_t QueueNoImage = 5;
    // Creates the table and its index unless the table exists.
    bool CreateTable();
    // The statements CreateTable runs ("" for no index).
    std::string CreateTableSQL() const;
    std::string CreateIndexSQL() const;
};

}  // namespace vd
