#include "data/tables/TitleSubdivision.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsTitleSubdivision::CreateTableSQL() const {
    return "CREATE TABLE TitleSubdivision ("
           "Code varchar (15), "
           "Description varchar (100) NULL, "
           "Blocks text NULL, "
           "Lots text NULL, "
           "DetailLevel smallint NULL, "
           "Arbs text NULL, "
           "NoBlocks smallint  NULL, "
           "NoLots smallint NULL, "
           "Sub_Comments text NULL, "
           "Sub_Close_Flag smallint NULL, "
           "Close_Flags text NULL, "
           "Close_Comments text NULL)";
}

std::string clsTitleSubdivision::CreateIndexSQL() const { return "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON TitleSubdivision(Code)"; }

bool clsTitleSubdivision::CreateTable(const std::string& appl, const std::string& docType) {
    return CreateApplicationTable(appl, docType, TableName, CreateTableSQL(), CreateIndexSQL());
}

}  // namespace vd
