#include "data/tables/CustomSearch.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsCustomSearch::CreateTableSQL() const {
    return "CREATE TABLE CustomSearch ("
           "Application varchar (3) NULL, "
           "DocType varchar (2) NULL, "
           "Format varchar (30) NULL, "
           "Users text NULL, "
           "SearchFields varchar (254) NULL, "
           "SearchTypes varchar (254) NULL, "
           "HitListFields varchar (254) NULL)";
}

std::string clsCustomSearch::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON CustomSearch(Application, DocType, Format)"; }

bool clsCustomSearch::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
