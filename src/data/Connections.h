// The parameters, accounting and application databases: connection
// strings, stored credentials and opening tables by name.
#pragma once

#include <string>

#include "data/ODBCAPI.h"

namespace vd {

inline std::string gParamsConnect;
inline std::string WVDAccountingConnect;
inline std::string SqlUser;
inline std::string SqlPassword;
// The parameters connection of the supervisor test; stays open for the run.
OdbcConnection& ParamsConnection();

bool OpenParamsDatabase(OdbcConnection& connection);
bool OpenWVDAccounting(OdbcConnection& connection);
std::string UnscrambleKey(const std::string& scrambled);
// Opens the connection when needed and loads the table's columns (no rows).
bool InitParams(OdbcConnection& connection, const std::string& table, TableInfo& record);
bool InitWVDAccounting(OdbcConnection& connection, const std::string& table, TableInfo& record,
                       const std::string& alias = "");
std::string GetConnectionInfo(const std::string& appl, const std::string& docType);
bool OpenDB(OdbcConnection& connection, const std::string& appl, const std::string& docType,
            std::string* databaseName = nullptr);
std::string ODBCGetDBName(const std::string& appl, const std::string& docType);

}  // namespace vd
