#include "data/tables/Applications.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsApplications::CreateTableSQL() const {
    return "CREATE TABLE Applications ("
           "ApplicationID varchar (3) NULL ,"
           "ApplicationName varchar (30) NULL ,"
           "LastImage varchar (8) NULL ,"
           "FolderNaming smallint NULL ,"
           "ImagesPerFolder smallint NULL)";
}

std::string clsApplications::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON Applications(ApplicationID)"; }

bool clsApplications::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
