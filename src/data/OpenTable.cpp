#include "data/OpenTable.h"

#include "base/RunError.h"
#include "data/Connections.h"
#include "data/VDODBC.h"

namespace vd {

void OpenTable::Close() {
    closed_ = true;
    CloseTable(connection, record, true);
}

OpenTable::~OpenTable() {
    if (closed_) return;
    try {
        CloseTable(connection, record, true);
    } catch (const RunError&) {
        // The run is already ending with its own failure.
    }
}

void ReadWholeParamsTable(const std::string& table, OpenTable& open) {
    if (!InitParams(open.connection, table, open.record)) EndRun();
    open.record.NoMatch = false;  // a statement that fails to run leaves it false
    if (SeekRec(table, "", open.record, open.connection) == 0 && !open.record.NoMatch) EndRun();
}

}  // namespace vd
