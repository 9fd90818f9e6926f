#include "data/tables/Users.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsUsers::CreateTableSQL() const {
    return "CREATE TABLE Users ("
           "UserID varchar (60) NULL, "
           "UserName varchar (30) NULL, "
           "UserPass varchar (8) NULL, "
           "UserScan smallint NULL, "
           "UserIndex smallint NULL, "
           "UserArchive smallint NULL, "
           "UserSearch smallint NULL, "
           "UserSetup smallint NULL, "
           "UserSuper smallint NULL, "
           "UserDbAll smallint NULL, "
           "UserAppDb text NULL, "
           "GroupID varchar (30) NULL, "
           "UserInternet smallint NULL)";
}

std::string clsUsers::CreateIndexSQL() const { return "CREATE UNIQUE INDEX PrimeKey ON Users(UserID)"; }

bool clsUsers::CreateTable() { return CreateParamsTable(TableName, CreateTableSQL(), CreateIndexSQL(), "tempinfo"); }

}  // namespace vd
