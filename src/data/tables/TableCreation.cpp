#include "data/tables/TableCreation.h"

#include "data/Connections.h"
#include "data/ODBCAPI.h"

namespace vd {

namespace {

bool CreateOn(OdbcConnection& connection, const std::string& table, const std::string& createSql,
              const std::string& indexSql, const std::string& recordName, bool* created) {
    if (created) *created = false;
    if (TableExists(connection, table)) return true;
    TableInfo temp;
    temp.Name = recordName;
    bool ok = ODBCExecSQL(createSql, connection, temp);
    if (ok && !indexSql.empty()) ok = ODBCExecSQL(indexSql, connection, temp);
    if (created) *created = ok;
    return ok;
}

}  // namespace

bool CreateParamsTable(const std::string& table, const std::string& createSql, const std::string& indexSql,
                       const std::string& recordName, bool* created) {
    if (created) *created = false;
    OdbcConnection connection;
    if (!OpenParamsDatabase(connection)) return false;
    const bool ok = CreateOn(connection, table, createSql, indexSql, recordName, created);
    CloseDB(connection);
    return ok;
}

bool CreateApplicationTable(const std::string& appl, const std::string& docType, const std::string& table,
                            const std::string& createSql, const std::string& indexSql) {
    OdbcConnection connection;
    if (!OpenDB(connection, appl, docType)) return false;
    const bool ok = CreateOn(connection, table, createSql, indexSql, "tempinfo", nullptr);
    CloseDB(connection);
    return ok;
}

}  // namespace vd
