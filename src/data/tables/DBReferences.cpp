#include "data/tables/DBReferences.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsDBReferences::CreateTableSQL() const {
    return "CREATE TABLE DBReferences ("
           "Application varchar (3) NULL, "
           "DocType varchar (2) NULL, "
           "ReferenceSet smallint NULL, "
           "SourceReferenceField varchar (254) NULL, "
           "Delimiters varchar (20) NULL, "
           "TargetReferenceFields varchar (254) NULL)";
}

std::string clsDBReferences::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON DBReferences(Application, DocType, ReferenceSet)"; }

bool clsDBReferences::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
