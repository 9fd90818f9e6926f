// Real SQLite databases for a test site, reached through the real ODBC
// driver manager and the SQLite ODBC driver.
//
// Layout under the site root:
//   params/                   ParameterPath (ends with "/")
//   params/createdb.ini       scrambled credentials (written with vdkeys)
//   params/vdglobal.ini       [Config]
//   params/DSN/VDWParams32.DSN  -> params/params.db
//   DSN/WVDAccounting.DSN     -> billing.db (beside the program)
// Both databases are created from scripts/schema/params.sql and
// scripts/schema/billing.sql, the files the demo site uses too.
#pragma once

#include <string>
#include <vector>

#include "support/CgiRun.h"

namespace vdtest {

class SiteDatabases {
public:
    explicit SiteDatabases(const Site& site);

    std::string ParameterPath() const { return parameterPath_; }  // ends with "/"
    std::string ParamsDb() const { return paramsDb_; }
    std::string BillingDb() const { return billingDb_; }
    // "ParameterPath=<path>\r\n", for Site::WriteIni.
    std::string IniLine() const { return "ParameterPath=" + parameterPath_ + "\r\n"; }

    // Runs SQL statements (separated by ";" at line ends) on a database file.
    void Exec(const std::string& dbFile, const std::string& sql) const;
    // Rows of a query, every value as text ("" for NULL).
    std::vector<std::vector<std::string>> Query(const std::string& dbFile, const std::string& sql) const;

    // Convenience rows of the parameters database.
    void AddUser(const std::string& id, const std::string& userSuper) const;  // userSuper as SQL ("-1", "0", "NULL")
    void AddDocType(const std::string& appl, const std::string& docType, const std::string& desc) const;

private:
    std::string parameterPath_, paramsDb_, billingDb_;
};

}  // namespace vdtest
