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

    // Turns auto-commit off; false when the driver refused (error shown).
    bool Begin();
    // Makes the changes permanent; false when the database refused (error
    // shown, nothing changed).
    bool Commit();

    // Undoes what was not committed and turns auto-commit back on.
    void Rollback();

private:
    OdbcConnection& connection_;
    bool open_ = false;
};

}  // namespace vd
