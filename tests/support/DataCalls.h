// Data-layer calls as a page makes them, for the data-layer tests: a
// database failure is drawn as the error page (as Main draws it) and the
// call gives false; and the inspection of a record's grid.
#pragma once

#include "base/RunError.h"
#include "cgi/MessagePages.h"
#include "data/TableInfo.h"

#include <string>

namespace vdtest {

template <class Call>
bool Shown(Call&& call) {
    try {
        call();
        return true;
    } catch (const vd::DbError& e) {
        vd::ReportDbError(e);
        return false;
    }
}

inline int GridRowCount(const vd::TableInfo& record) { return record.Grid.RowCount(); }

inline std::string GridCell(const vd::TableInfo& record, int row, int col) {
    const vd::FieldValue* cell = record.Grid.At(row, col);
    return cell ? cell->Text() : "";
}

}  // namespace vdtest
