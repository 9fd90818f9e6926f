#include "data/tables/Cartridges.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsCartridges::CreateTableSQL() const {
    return "CREATE TABLE Cartridges ("
           "CartName varchar (8) NOT NULL,"
           "CartDesc varchar (50) NULL,"
           "CartType varchar (3) NULL,"
           "CartPrefix varchar (50) NULL,"
           "ArchiveEnabled smallint NULL,"
           "MBLimit numeric(19,2) NULL,"
           "BytesUsed numeric(19,2) NULL,"
           "NewCart smallint NULL)";
}

std::string clsCartridges::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON Cartridges(CartName)"; }

bool clsCartridges::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
