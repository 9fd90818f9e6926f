#include "data/tables/InternalTable.h"

#include "data/tables/TableCreation.h"

namespace vd {

std::string clsInternalTable::CreateTableSQL(const std::string& name) {
    return "CREATE TABLE " + name + " (" + "Code varchar (15), " + "Description varchar (100) NULL)";
}

std::string clsInternalTable::CreateIndexSQL(const std::string& name) {
    return "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON " + name + "(Code)";
}

bool clsInternalTable::CreateTable(const std::string& name) {
    bool created = false;
    const bool ok = CreateParamsTable(name, CreateTableSQL(name), CreateIndexSQL(name), "tempinfo", &created);
    return ok && created;
}

}  // namespace vd
