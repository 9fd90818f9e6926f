// A database transaction for one scope: the statements run while it is open
// take effect when it commits, and are rolled back when it ends otherwise.
#pragma once

#include "data/ODBCAPI.h"

namespace vd {

class OdbcTransaction {
public:
    explicit OdbcTransaction(OdbcConnection& connection) : connection_(connection) {}
    ~OdbcTransaction();  // rolls back what was not committed; never throws
    OdbcTransaction(const OdbcTransaction&) = delete;
    OdbcTransaction& operator=(const OdbcTransaction&) = delete;

    // Turns auto-commit off.
    void Begin();
    // Makes the changes permanent. A commit the database refuses is rolled
    // back, and its DbError goes on to the caller.
    void Commit();
    // Undoes what was not committed and turns auto-commit back on.
    void Rollback();

private:
    // Rollback for the paths that must not fail: a refusal is named in the
    // web server's log.
    void RollbackQuietly() noexcept;

    OdbcConnection& connection_;
    bool open_ = false;
};

}  // namespace vd
