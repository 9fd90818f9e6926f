#include "data/Transaction.h"

namespace vd {

bool OdbcTransaction::Begin() {
    open_ = ODBCSetAutoCommit(connection_, false);
    return open_;
}

bool OdbcTransaction::Commit() {
    if (!open_) return false;
    const bool done = ODBCEndTran(connection_, true);
    if (!done) ODBCEndTran(connection_, false);
    open_ = false;
    ODBCSetAutoCommit(connection_, true);
    return done;
}

void OdbcTransaction::Rollback() {
    if (!open_) return;
    open_ = false;
    if (!connection_.IsOpen()) return;
    ODBCEndTran(connection_, false);
    ODBCSetAutoCommit(connection_, true);
}

OdbcTransaction::~OdbcTransaction() {
    try {
        Rollback();
    } catch (...) {  // a destructor never throws; a failure has shown its error page
    }
}

}  // namespace vd
