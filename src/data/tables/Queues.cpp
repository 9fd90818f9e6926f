#include "data/tables/Queues.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsQueues::CreateTableSQL() const {
    return "CREATE TABLE Queues ("
           "Application varchar (3) NULL, "
           "DocType varchar (2) NULL, "
           "QueueName varchar (30) NULL, "
           "QueueLocation varchar (254) NULL, "
           "QueueUser varchar(60) NULL, "
           "QueueNoImage smallint NULL)";
}

std::string clsQueues::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON Queues(Application, DocType, QueueName)"; }

bool clsQueues::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
