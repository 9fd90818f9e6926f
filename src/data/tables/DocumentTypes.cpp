#include "data/tables/DocumentTypes.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsDocumentTypes::CreateTableSQL() const {
    return "CREATE TABLE DocumentTypes ("
           "DocTypeAppl varchar (3) NULL, "
           "DocTypeId varchar (2) NULL, "
           "DocTypeDesc varchar (30) NULL, "
           "DocTypePath varchar (254) NULL, "
           "PrimJoinField smallint NULL, "
           "JoinField smallint NULL, "
           "DisplayAttach smallint NULL, "
           "DatabaseType smallint NULL, "
           "DatabaseName varchar (254) NULL, "
           "DatabaseUserID varchar (30) NULL, "
           "DatabasePassword varchar (30) NULL, "
           "DatabaseDataSourceName varchar (30) NULL, "
           "MEFieldNums varchar (254) NULL)";
}

std::string clsDocumentTypes::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON DocumentTypes(DocTypeAppl, DocTypeID)"; }

bool clsDocumentTypes::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
