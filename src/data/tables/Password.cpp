#include "data/tables/Password.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsPassword::CreateTableSQL() const {
    return "CREATE TABLE Password ("
           "Password varchar (10) NULL, "
           "SecurityEnabled smallint NULL)";
}

std::string clsPassword::CreateIndexSQL() const { return ""; }

bool clsPassword::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), ""); }

}  // namespace vd
