#include "data/Transaction.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"

#include <exception>

namespace vd {

void OdbcTransaction::Begin() {
    ODBCSetAutoCommit(connection_, false);
    open_ = true;
}

void OdbcTransaction::Commit() {
    if (!open_) Raise(Err::InvalidCall);  // nothing begun, nothing to commit
    try {
        ODBCEndTran(connection_, true);
    } catch (const DbError&) {
        RollbackQuietly();
        throw;
    }
    open_ = false;
    ODBCSetAutoCommit(connection_, true);
}

void OdbcTransaction::Rollback() {
    if (!open_) return;
    open_ = false;
    if (!connection_.IsOpen()) return;
    ODBCEndTran(connection_, false);
    ODBCSetAutoCommit(connection_, true);
}

void OdbcTransaction::RollbackQuietly() noexcept {
    try {
        Rollback();
    } catch (const DbError& e) {
        try {
            LogFailure(e.NumberText, e.Text);
        } catch (const std::exception&) {
        }
    } catch (const std::exception&) {
    }
}

OdbcTransaction::~OdbcTransaction() { RollbackQuietly(); }

}  // namespace vd
