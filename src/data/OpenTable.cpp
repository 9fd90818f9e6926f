#include "data/OpenTable.h"

#include "data/Databases.h"
#include "data/RecordAccess.h"

namespace vd {

void TableCloser::Close() noexcept {
    if (closed_) return;
    closed_ = true;
    if (record_.Number.Given()) ODBCCloseTbl(record_);
    if (connection_) ODBCCloseDatabase(*connection_);
}

void ReadWholeParamsTable(Databases& databases, const std::string& table, OpenTable& open) {
    InitParams(databases, open.connection, table, open.record);
    SeekRec(table, "", open.record, open.connection);
}

}  // namespace vd
