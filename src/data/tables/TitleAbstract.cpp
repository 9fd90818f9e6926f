#include "data/tables/TitleAbstract.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsTitleAbstract::CreateTableSQL() const {
    return "CREATE TABLE TitleAbstract ("
           "Code varchar (15), "
           "Description varchar (100) NULL, "
           "Tracts text NULL, "
           "Arbs text NULL, "
           "ReplaceCode varchar (15) NULL)";
}

std::string clsTitleAbstract::CreateIndexSQL() const { return "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON TitleAbstract(Code)"; }

bool clsTitleAbstract::CreateTable(const std::string& appl, const std::string& docType) {
    return CreateApplicationTable(appl, docType, TableName, CreateTableSQL(), CreateIndexSQL());
}

}  // namespace vd
