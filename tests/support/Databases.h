// Real databases for a test site, reached through the real ODBC driver
// manager: SQLite files by default, or databases on a server (see
// ServerDatabases; tests/support/Postgres.h starts a PostgreSQL server).
//
// Layout under the site root:
//   params/                   ParameterPath (ends with "/")
//   params/createdb.ini       scrambled credentials (written with vdkeys)
//   params/vdglobal.ini       [Config]
//   params/DSN/VDWParams32.DSN  -> params/params.db
//   DSN/WVDAccounting.DSN     -> billing.db (beside the program)
// Both databases are created from scripts/schema/params.sql,
// scripts/schema/billing.sql and scripts/schema/plan-tokens.sql, the files
// the demo site uses too.
#pragma once

#include <string>
#include <vector>

#include "support/CgiRun.h"

namespace vdtest {

// The database user and password that createdb.ini of a test site holds.
extern const char* const SiteSqlUser;
extern const char* const SiteSqlPassword;

// Databases on a server: each DSN file is "[ODBC]", the dsnLines and
// "Database=<name>"; the tests reach a database directly with connect
// followed by "Database=<name>;". The databases exist and are empty.
struct ServerDatabases {
    std::string dsnLines;  // CRLF-ended lines, e.g. "DRIVER=...\r\nServername=...\r\n"
    std::string connect;   // e.g. "DRIVER=...;Servername=...;UID=...;PWD=...;"
    std::string paramsDb, billingDb;
};

// Runs statements (separated by ";" at line ends), or one query, through
// a direct ODBC connection of its own.
void ExecOdbc(const std::string& connect, const std::string& sql);
std::vector<std::vector<std::string>> QueryOdbc(const std::string& connect, const std::string& sql);

// The statement that creates Rate_Schedule, read from
// scripts/schema/billing.sql: its first columns (all 25 by default), with
// the primary key or without it. Tables of 18 and 21 columns are those of
// older billing databases; a table without its key can hold two rows of
// one plan.
enum class ScheduleKey { Primary, None };
std::string RateScheduleTable(int columns = 25, ScheduleKey key = ScheduleKey::Primary);

class SiteDatabases {
public:
    // SQLite files in the site.
    explicit SiteDatabases(const Site& site);
    // The same layout with DSN files that name databases on a server.
    SiteDatabases(const Site& site, const ServerDatabases& server);

    std::string ParameterPath() const { return parameterPath_; }  // ends with "/"
    // The database file (SQLite) or the database name (server).
    std::string ParamsDb() const { return paramsDb_; }
    std::string BillingDb() const { return billingDb_; }
    // "ParameterPath=<path>\r\n", for Site::WriteIni.
    std::string IniLine() const { return "ParameterPath=" + parameterPath_ + "\r\n"; }

    // Runs SQL statements (separated by ";" at line ends) on a database
    // (ParamsDb() or BillingDb()).
    void Exec(const std::string& db, const std::string& sql) const;
    // Rows of a query, every value as text ("" for NULL).
    std::vector<std::vector<std::string>> Query(const std::string& db, const std::string& sql) const;

    // Convenience rows of the parameters database.
    void AddUser(const std::string& id, const std::string& userSuper) const;  // userSuper as SQL ("-1", "0", "NULL")
    void AddDocType(const std::string& appl, const std::string& docType, const std::string& desc) const;

private:
    void LayOut(const Site& site, const std::string& paramsDsn, const std::string& billingDsn) const;
    std::string Connect(const std::string& db) const;

    std::string parameterPath_, paramsDb_, billingDb_;
    std::string serverConnect_;  // empty for SQLite files
};

// The plain templates, a vexweb.ini that names the databases' parameters
// folder, and the supervisor "boss": the site most process tests start from.
void SetUpSupervisorSite(const Site& site, const SiteDatabases& dbs);

}  // namespace vdtest
