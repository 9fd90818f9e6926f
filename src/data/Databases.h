// The parameters, accounting and application databases: connection
// strings, stored credentials and opening tables by name.
#pragma once

#include <string>

#include "data/ODBCAPI.h"

namespace vd {

// How one run reaches its databases: the parameters folder, the connection
// strings with the credentials of createdb.ini (read when a database is
// first opened), and one open connection to each database, opened when
// first needed and kept for the run: every table of the parameters
// database shares the link of Params, every table of the billing database
// that of Accounting (and with it a transaction open there). The run owns
// it; a new one knows nothing yet.
struct Databases {
    std::string ParameterPath;  // the user's parameters folder ("/" at the end)
    std::string ProgramFolder;  // the program's folder, which holds the billing data source (DSN/)
    std::string ParamsConnect;
    std::string AccountingConnect;
    std::string SqlUser;
    std::string SqlPassword;
    bool CredentialsRead = false;  // SqlUser and SqlPassword hold what createdb.ini gave
    OdbcConnection Params;
    OdbcConnection Accounting;
};

// createdb.ini keeps each credential as groups of three digits, one group
// per character: the character's code plus (group position + 2) / divisor,
// with a filler character between some groups. UnscrambleKey reverses it;
// vdkeys writes it.
constexpr char ScrambleFiller = 'X';
constexpr int ScrambleDivisor = 7;

// The connection string as it may be logged: a non-empty PWD value shows
// as "****"; everything else stays.
std::string MaskPassword(const std::string& connectString);

// Open the connection on the run's link to the parameters or the billing
// database.
// The file data source of the parameters database in a parameters folder
// (one that ends with "/").
std::string ParamsDataSource(const std::string& parameterPath);
// The file data source of the billing database in the program's folder.
std::string BillingDataSource(const std::string& programFolder);
// The user and password of createdb.ini in the parameters folder, read once
// (failure 5 when a key is not in the form vdkeys writes).
void ReadCredentials(Databases& databases);
void OpenParamsDatabase(Databases& databases, OdbcConnection& connection);
void OpenWVDAccounting(Databases& databases, OdbcConnection& connection);
std::string UnscrambleKey(const std::string& scrambled);
// Opens the connection when needed and loads the table's columns (no rows).
void InitParams(Databases& databases, OdbcConnection& connection, const std::string& table, TableInfo& record);
void InitWVDAccounting(Databases& databases, OdbcConnection& connection, const std::string& table, TableInfo& record,
                       const std::string& alias = "");

}  // namespace vd
