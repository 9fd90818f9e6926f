// A throwaway PostgreSQL server for tests: a new cluster in a temporary
// folder (initdb), listening on 127.0.0.1 only, on a free port, without a
// Unix socket. Connections need a password. The site's database user
// (SiteSqlUser / SiteSqlPassword of support/Databases.h) is an ordinary
// role that may create databases and owns those it creates. The server is
// stopped and its folder removed on destruction, and by a watching process
// when the test process ends any other way (an abort, a crash, a kill).
//
// Run as root, the server programs run as the system user "postgres"
// (initdb and the server refuse root).
#pragma once

#include <set>
#include <string>

#include "support/Databases.h"

namespace vdtest {

class PostgresServer {
public:
    // Why no server can be started here, "" when one can: the server
    // programs (Debian package postgresql) or the psqlODBC drivers
    // (odbc-postgresql) are missing, or root has no "postgres" user.
    static std::string Unavailable();

    PostgresServer();  // throws std::runtime_error with the server's log
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    int Port() const { return port_; }

    // A driver configuration for the programs of a test: a copy of the
    // system's odbcinst.ini whose psqlODBC drivers write no communication
    // log (Debian registers them with CommLog=1, which leaves a file in /tmp
    // for every process). Pass it as ODBCSYSINI; this process uses it too.
    const std::string& OdbcSysIni() const { return odbcSysIni_; }

    // A direct connection string for a user and database of this server.
    std::string Connect(const std::string& user, const std::string& database) const;
    // Creates an empty database owned by the site's user.
    void CreateDatabase(const std::string& name) const;
    // The site's two databases on this server, reached through the named
    // psqlODBC driver ("PostgreSQL Unicode" or "PostgreSQL ANSI"). They are
    // empty: created by the first call that names them, emptied by later
    // ones (a site that used them before must be done with them).
    ServerDatabases Databases(const std::string& driver, const std::string& paramsDb, const std::string& billingDb);

private:
    void Watch();     // starts the watching process (watch_)
    void EndWatch();  // tells it that the server was stopped here
    void Start();
    void Stop();
    void RestoreOdbcSysIni();
    void EmptyDatabase(const std::string& name);

    std::string folder_;      // the temporary folder: data/, server.log, odbc/
    std::string binDir_;      // initdb, pg_ctl
    std::string odbcSysIni_;  // folder of the private odbcinst.ini
    std::string oldOdbcSysIni_;
    bool hadOdbcSysIni_ = false;
    int port_ = 0;
    bool running_ = false;
    int watch_ = -1;  // the pipe to the watching process, closed when this process ends
    std::set<std::string> created_;  // databases made by Databases()
};

}  // namespace vdtest
