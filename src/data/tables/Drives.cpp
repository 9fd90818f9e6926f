#include "data/tables/Drives.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsDrives::CreateTableSQL() const {
    return "CREATE TABLE Drives ("
           "Drive varchar (254) NULL, "
           "DriveType varchar (3) NULL, "
           "PathPrefix varchar (30) NULL, "
           "ArchiveEnabled smallint NULL)";
}

std::string clsDrives::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON Drives(Drive)"; }

bool clsDrives::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
