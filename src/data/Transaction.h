// A database transaction for one scope: it begins when it is made, the
// statements run while it is open take effect when it commits, and are
// rolled back when it ends otherwise. One transaction at a time on a link:
// the connections that share it are in it too.
#pragma once

#include "data/ODBCAPI.h"

namespace vd {

class OdbcTransaction {
public:
    // Begins: see Begin below. A link that already has an open transaction
    // is failure 5, since a second would silently join the first.
    explicit OdbcTransaction(OdbcConnection& connection);
    ~OdbcTransaction();  // rolls back what was not committed; never throws
    OdbcTransaction(const OdbcTransaction&) = delete;
    OdbcTransaction& operator=(const OdbcTransaction&) = delete;

private:
    // Starts a write transaction. On SQLite it takes the database's write
    // lock first ("BEGIN IMMEDIATE"), waiting for another writer as long as
    // the data source's Timeout allows, so that two writers queue instead
    // of one failing with "database is locked"; a database still busy after
    // that fails here, before anything is done. Elsewhere auto-commit is
    // turned off, and on PostgreSQL a lock waits no longer than the data
    // source's Timeout (milliseconds) when it names one.
    void Begin();

public:
    // Makes the changes permanent. A commit the database refuses is rolled
    // back, and its DbError goes on to the caller.
    void Commit();
    // Undoes what was not committed and turns auto-commit back on.
    void Rollback();

private:
    void Ended();  // the link's count, once the transaction is over
    // Rollback for the paths that must not fail: a refusal is named in the
    // web server's log.
    void RollbackQuietly() noexcept;

    OdbcConnection& connection_;
    bool open_ = false;
    // The transaction is the database's own statements BEGIN, COMMIT and
    // ROLLBACK (SQLite), not the driver's auto-commit switch.
    bool bySql_ = false;
};

// Runs a statement that gives no rows the caller wants.
void ExecStatement(OdbcConnection& connection, const std::string& sql);

}  // namespace vd
