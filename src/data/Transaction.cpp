#include "data/Transaction.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "data/TableInfo.h"

#include <exception>

namespace vd {

void ExecStatement(OdbcConnection& connection, const std::string& sql) {
    TableInfo none;
    none.Name = "statement";
    ODBCExecSQL(sql, connection, none);
}

OdbcTransaction::OdbcTransaction(OdbcConnection& connection) : connection_(connection) {
    if (connection_.OpenTransactions() > 0)
        Raise(Err::InvalidCall, "A transaction is already open on this connection");
    CountTransaction(connection_, +1);
    try {
        Begin();
    } catch (...) {
        // No destructor runs for a transaction that never began.
        if (open_) RollbackQuietly();
        else Ended();
        throw;
    }
}

void OdbcTransaction::Ended() { CountTransaction(connection_, -1); }

void OdbcTransaction::Begin() {
    bySql_ = DbmsIs(connection_, "SQLite");
    if (bySql_) {
        // The driver's busy timeout (the data source's Timeout) is what
        // this statement waits for the write lock.
        DebugLog("begin immediate");
        ExecStatement(connection_, "BEGIN IMMEDIATE");
        open_ = true;
        return;
    }
    ODBCSetAutoCommit(connection_, false);
    open_ = true;
    if (DbmsIs(connection_, "PostgreSQL") && connection_.TimeoutMs() > 0)
        ExecStatement(connection_, "SET LOCAL lock_timeout = " + std::to_string(connection_.TimeoutMs()));
}

void OdbcTransaction::Commit() {
    if (!open_) Raise(Err::InvalidCall);  // nothing begun, nothing to commit
    try {
        if (bySql_) {
            DebugLog("commit");
            ExecStatement(connection_, "COMMIT");
        } else {
            ODBCEndTran(connection_, true);
        }
    } catch (const DbError&) {
        RollbackQuietly();
        throw;
    }
    open_ = false;
    Ended();
    if (!bySql_) ODBCSetAutoCommit(connection_, true);
}

void OdbcTransaction::Rollback() {
    if (!open_) return;
    open_ = false;
    Ended();
    if (!connection_.IsOpen()) return;
    if (bySql_) {
        DebugLog("rollback");
        ExecStatement(connection_, "ROLLBACK");
        return;
    }
    ODBCEndTran(connection_, false);
    ODBCSetAutoCommit(connection_, true);
}

void OdbcTransaction::RollbackQuietly() noexcept {
    // The rollback's own line; the failure that led here keeps its scope
    // for its own.
    try {
        try {
            Rollback();
        } catch (const DbError& e) {
            LogFailure(e.NumberText, e.Text);
        } catch (const RunError& e) {
            LogFailure(std::to_string(e.Number), e.Text);
        } catch (const std::exception& e) {
            LogFailure(std::to_string(Err::Internal), ErrorText(Err::Internal) + ": " + e.what());
        }
    } catch (const std::exception&) {  // no line can be written (out of memory): nothing more to do
    }
}

OdbcTransaction::~OdbcTransaction() { RollbackQuietly(); }

}  // namespace vd
