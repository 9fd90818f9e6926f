#include "support/Databases.h"

#include <cstdio>
#include <sql.h>
#include <sqlext.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vdtest {

namespace {

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

// A direct ODBC connection, independent of the code under test.
class DirectConnection {
public:
    explicit DirectConnection(const std::string& connect) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
            throw std::runtime_error("SQLAllocHandle(ENV) failed");
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) Fail("SQLAllocHandle(DBC)", SQL_HANDLE_ENV, env_);
        SQLSMALLINT outLen = 0;
        SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr, 0, &outLen,
                                        SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) Fail("connect with " + Masked(connect), SQL_HANDLE_DBC, dbc_);
        connected_ = true;
    }
    ~DirectConnection() {
        if (connected_) SQLDisconnect(dbc_);
        if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    DirectConnection(const DirectConnection&) = delete;
    DirectConnection& operator=(const DirectConnection&) = delete;

    std::vector<std::vector<std::string>> Run(const std::string& sql) {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) Fail("SQLAllocHandle(STMT)", SQL_HANDLE_DBC, dbc_);
        struct Guard {
            SQLHSTMT h;
            ~Guard() { SQLFreeHandle(SQL_HANDLE_STMT, h); }
        } guard{stmt};
        SQLRETURN rc = SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) Fail(sql, SQL_HANDLE_STMT, stmt);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt, &columns);
        std::vector<std::vector<std::string>> rows;
        if (columns == 0) return rows;
        while ((rc = SQLFetch(stmt)) != SQL_NO_DATA) {
            if (!SQL_SUCCEEDED(rc)) Fail("fetch of " + sql, SQL_HANDLE_STMT, stmt);
            std::vector<std::string> row;
            for (SQLUSMALLINT c = 1; c <= columns; ++c) {
                std::string value;
                char buf[4096];
                for (;;) {
                    SQLLEN ind = 0;
                    rc = SQLGetData(stmt, c, SQL_C_CHAR, buf, sizeof buf, &ind);
                    if (rc == SQL_NO_DATA || ind == SQL_NULL_DATA) break;
                    if (!SQL_SUCCEEDED(rc)) Fail("read of " + sql, SQL_HANDLE_STMT, stmt);
                    bool more = rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind >= (SQLLEN)sizeof buf);
                    value.append(buf, more ? sizeof buf - 1 : static_cast<size_t>(ind));
                    if (!more) break;
                }
                row.push_back(value);
            }
            rows.push_back(row);
        }
        return rows;
    }

private:
    static std::string Masked(const std::string& connect) {
        const size_t pwd = connect.find("PWD=");
        return pwd == std::string::npos ? connect : connect.substr(0, pwd) + "PWD=...";
    }
    [[noreturn]] void Fail(const std::string& what, SQLSMALLINT type, SQLHANDLE handle) {
        SQLCHAR state[8] = {0}, message[1024] = {0};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &len);
        throw std::runtime_error(what + ": " + reinterpret_cast<char*>(state) + " " +
                                 reinterpret_cast<char*>(message));
    }
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

// The statements of a script: ";" at a line end closes one; lines that
// start with "--" are comments.
std::vector<std::string> SplitStatements(const std::string& script) {
    std::vector<std::string> statements;
    std::string current;
    size_t pos = 0;
    while (pos < script.size()) {
        size_t nl = script.find('\n', pos);
        std::string line = script.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? script.size() : nl + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line.compare(first, 2, "--") == 0) continue;
        if (line.back() == ';') {
            line.pop_back();
            current += line;
            statements.push_back(current);
            current.clear();
        } else {
            current += line + "\n";
        }
    }
    if (current.find_first_not_of(" \t\r\n") != std::string::npos) statements.push_back(current);
    return statements;
}

std::string SqliteDsn(const std::string& dbFile) {
    return "[ODBC]\r\nDRIVER=SQLite3\r\nDatabase=" + dbFile + "\r\nTimeout=5000\r\n";
}

void RunVdkeys(const std::string& iniFile) {
#ifdef VDKEYS_BINARY
    pid_t pid = fork();
    if (pid == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(126);  // it says what it wrote
        execl(VDKEYS_BINARY, VDKEYS_BINARY, iniFile.c_str(), SiteSqlUser, SiteSqlPassword, (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("vdkeys failed for " + iniFile);
#else
    (void)iniFile;
    throw std::runtime_error("vdkeys was not built");
#endif
}

}  // namespace

const char* const SiteSqlUser = "vdadmin";
const char* const SiteSqlPassword = "s3cret";

void ExecOdbc(const std::string& connect, const std::string& sql) {
    DirectConnection db(connect);
    for (const auto& statement : SplitStatements(sql)) db.Run(statement);
}

std::vector<std::vector<std::string>> QueryOdbc(const std::string& connect, const std::string& sql) {
    DirectConnection db(connect);
    return db.Run(sql);
}

SiteDatabases::SiteDatabases(const Site& site) {
    parameterPath_ = site.Root() + "/params/";
    paramsDb_ = parameterPath_ + "params.db";
    billingDb_ = site.Root() + "/billing.db";
    LayOut(site, SqliteDsn(paramsDb_), SqliteDsn(billingDb_));
}

SiteDatabases::SiteDatabases(const Site& site, const ServerDatabases& server) {
    parameterPath_ = site.Root() + "/params/";
    paramsDb_ = server.paramsDb;
    billingDb_ = server.billingDb;
    serverConnect_ = server.connect;
    LayOut(site, "[ODBC]\r\n" + server.dsnLines + "Database=" + paramsDb_ + "\r\n",
           "[ODBC]\r\n" + server.dsnLines + "Database=" + billingDb_ + "\r\n");
}

void SiteDatabases::LayOut(const Site& site, const std::string& paramsDsn, const std::string& billingDsn) const {
    fs::create_directories(parameterPath_ + "DSN");
    fs::create_directories(site.Root() + "/DSN");
    WriteFile(parameterPath_ + "DSN/VDWParams32.DSN", paramsDsn);
    WriteFile(site.Root() + "/DSN/WVDAccounting.DSN", billingDsn);
    WriteFile(parameterPath_ + "vdglobal.ini", "[Config]\r\nODBCIntegratedSecurity=FALSE\r\n");
    RunVdkeys(parameterPath_ + "createdb.ini");
    Exec(paramsDb_, ReadFile(std::string(VD_SOURCE_DIR) + "/scripts/schema/params.sql"));
    Exec(billingDb_, ReadFile(std::string(VD_SOURCE_DIR) + "/scripts/schema/billing.sql"));
    Exec(billingDb_, ReadFile(std::string(VD_SOURCE_DIR) + "/scripts/schema/plan-tokens.sql"));
}

std::string RateScheduleTable(int columns, ScheduleKey key) {
    const std::string schema = ReadFile(std::string(VD_SOURCE_DIR) + "/scripts/schema/billing.sql");
    const std::string head = "CREATE TABLE Rate_Schedule (\n";
    size_t at = schema.find(head);
    if (at == std::string::npos) throw std::runtime_error("billing.sql creates no Rate_Schedule");
    at += head.size();
    std::string sql = head;
    for (int i = 0; i < columns; ++i) {
        const size_t end = schema.find(",\n", at);
        if (end == std::string::npos || schema.compare(at, 13, "  PRIMARY KEY") == 0)
            throw std::runtime_error("billing.sql gives Rate_Schedule fewer columns");
        sql += (i ? ",\n" : "") + schema.substr(at, end - at);
        at = end + 2;
    }
    if (key == ScheduleKey::Primary) {
        const size_t primary = schema.find("  PRIMARY KEY", at);
        sql += ",\n" + schema.substr(primary, schema.find('\n', primary) - primary);
    }
    return sql + "\n);";
}

std::string SiteDatabases::Connect(const std::string& db) const {
    if (serverConnect_.empty()) return "DRIVER=SQLite3;Database=" + db + ";Timeout=5000;";
    return serverConnect_ + "Database=" + db + ";";
}

void SiteDatabases::Exec(const std::string& db, const std::string& sql) const { ExecOdbc(Connect(db), sql); }

std::vector<std::vector<std::string>> SiteDatabases::Query(const std::string& db, const std::string& sql) const {
    return QueryOdbc(Connect(db), sql);
}

void SiteDatabases::AddUser(const std::string& id, const std::string& userSuper) const {
    Exec(paramsDb_, "insert into Users (UserID, UserName, UserSuper) values (" + Quote(id) + ", " +
                        Quote(id.substr(0, 30)) + ", " + userSuper + ")");
}

void SiteDatabases::AddDocType(const std::string& appl, const std::string& docType, const std::string& desc) const {
    Exec(paramsDb_, "insert into DocumentTypes (DocTypeAppl, DocTypeId, DocTypeDesc) values (" + Quote(appl) + ", " +
                        Quote(docType) + ", " + Quote(desc) + ")");
}

void SetUpSupervisorSite(const Site& site, const SiteDatabases& dbs) {
    site.WriteTemplates();
    site.WriteIni(dbs.IniLine());
    dbs.AddUser("boss", "-1");
}

}  // namespace vdtest
