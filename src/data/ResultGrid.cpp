// The grid of a record and the moves through its rows.
#include "data/ResultGrid.h"

#include "base/DebugLog.h"
#include "data/ODBCAPI.h"

#include <exception>

namespace vd {

void ResultGrid::SetRowCount(int count) {
    rows_.resize(static_cast<size_t>(count < 0 ? 0 : count));
}

void ResultGrid::SetColCount(int count) {
    cols_ = count < 0 ? 0 : count;
    for (auto& row : rows_)
        if (row.size() > static_cast<size_t>(cols_)) row.resize(static_cast<size_t>(cols_));
}

void ResultGrid::SetCell(int row, int col, const std::string& text) {
    if (row < 0 || col < 0) return;
    if (static_cast<size_t>(row) >= rows_.size()) rows_.resize(static_cast<size_t>(row) + 1);
    auto& cells = rows_[static_cast<size_t>(row)];
    if (static_cast<size_t>(col) >= cells.size()) cells.resize(static_cast<size_t>(col) + 1);
    FieldValue& cell = cells[static_cast<size_t>(col)];
    if (!cell.IsThisText(text)) cell = FieldValue(text);
    if (col >= cols_) cols_ = col + 1;
}

const FieldValue* ResultGrid::At(int row, int col) const {
    if (row < 0 || col < 0 || static_cast<size_t>(row) >= rows_.size()) return nullptr;
    const auto& cells = rows_[static_cast<size_t>(row)];
    return static_cast<size_t>(col) < cells.size() ? &cells[static_cast<size_t>(col)] : nullptr;
}

FieldValue ResultGrid::CellAsText(int row, int col) const {
    const FieldValue* v = At(row, col);
    return v ? v->ToTextValue() : FieldValue(std::string());
}

void ResultGrid::AddRow(std::vector<FieldValue> cells) {
    if (static_cast<int>(cells.size()) > cols_) cols_ = static_cast<int>(cells.size());
    rows_.push_back(std::move(cells));
}

void ResultGrid::Release() {
    std::vector<std::vector<FieldValue>>().swap(rows_);
    cols_ = 0;
    CurrentRow = 0;
}

void ODBCMoveFirst(TableInfo& record) {
    ResultGrid& grid = record.Grid;
    if (DebugLogging())
        DebugLog("ODBCMoveFirst GridIndex=" + std::to_string(record.Number.Get()) + " name=" + record.Name);
    if (grid.RowCount() <= 2) return;
    grid.CurrentRow = 2;
    record.CurrentRow = 1;
    for (int i = 0; i < record.FieldCount && i < static_cast<int>(record.Fields.size()); ++i)
        record.Fields[static_cast<size_t>(i)].Value = grid.CellAsText(2, i);
    record.AtFirst = true;
    record.Eof = false;
}

void ODBCMoveNext(TableInfo& record) {
    ResultGrid& grid = record.Grid;
    // Only data rows (from row 2) are visited.
    const int next = grid.CurrentRow + 1 < 2 ? 2 : grid.CurrentRow + 1;
    if (next < grid.RowCount()) {
        grid.CurrentRow = next;
        record.CurrentRow = next - 1;
        for (int i = 0; i < record.FieldCount && i < static_cast<int>(record.Fields.size()); ++i)
            record.Fields[static_cast<size_t>(i)].Value = grid.CellAsText(next, i);
    } else {
        record.Eof = true;
    }
    record.AtFirst = false;
}

void ODBCCloseTbl(TableInfo& record) noexcept {
    try {
        if (DebugLogging())
            DebugLog("ODBCCloseTbl: Closing grid " + std::to_string(record.Number.Get()) + " name = " + record.Name);
    } catch (const std::exception&) {  // a log line that cannot be built never stops the close
    }
    record.Grid.Release();
}

}  // namespace vd
