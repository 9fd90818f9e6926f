// The grid pool: slot 0 exists from the start and is never handed out;
// slots 1, 2, ... are created on demand and freed when their table closes.
#include "data/ResultGrid.h"

#include "base/DebugLog.h"
#include "data/ODBCAPI.h"

#include <memory>

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
    if (!cell.HoldsText(text)) cell = FieldValue(text);
    if (col >= cols_) cols_ = col + 1;
}

const FieldValue* ResultGrid::At(int row, int col) const {
    if (row < 0 || col < 0 || static_cast<size_t>(row) >= rows_.size()) return nullptr;
    const auto& cells = rows_[static_cast<size_t>(row)];
    return static_cast<size_t>(col) < cells.size() ? &cells[static_cast<size_t>(col)] : nullptr;
}

std::string ResultGrid::Cell(int row, int col) const {
    const FieldValue* v = At(row, col);
    return v ? v->Text() : std::string();
}

FieldValue ResultGrid::CellAsText(int row, int col) const {
    const FieldValue* v = At(row, col);
    return v ? v->AsText() : FieldValue(std::string());
}

void ResultGrid::AddRow(std::vector<FieldValue> cells) {
    if (static_cast<int>(cells.size()) > cols_) cols_ = static_cast<int>(cells.size());
    rows_.push_back(std::move(cells));
}

namespace {

std::vector<std::unique_ptr<ResultGrid>>& Slots() {
    static std::vector<std::unique_ptr<ResultGrid>> slots = [] {
        std::vector<std::unique_ptr<ResultGrid>> v;
        v.push_back(std::make_unique<ResultGrid>());
        return v;
    }();
    return slots;
}

}  // namespace

int GetGridIndex(const std::string& name) {
    auto& slots = Slots();
    const int highest = static_cast<int>(slots.size()) - 1;
    int freeSlot = 0;
    int found = 0;
    for (int i = 1; i <= highest; ++i) {
        const auto& grid = slots[static_cast<size_t>(i)];
        if (!grid || grid->Tag.empty()) {
            if (freeSlot == 0) freeSlot = i;
        } else if (!name.empty() && grid->Tag == name) {
            found = i;
            break;
        }
    }
    int slot = found ? found : (freeSlot ? freeSlot : highest + 1);
    if (static_cast<size_t>(slot) >= slots.size()) slots.resize(static_cast<size_t>(slot) + 1);
    auto& grid = slots[static_cast<size_t>(slot)];
    if (!grid) grid = std::make_unique<ResultGrid>();
    grid->Tag = name;
    return slot;
}

ResultGrid& GridOfSlot(int slot) {
    auto& slots = Slots();
    if (slot < 0) slot = 0;
    if (static_cast<size_t>(slot) >= slots.size()) slots.resize(static_cast<size_t>(slot) + 1);
    auto& grid = slots[static_cast<size_t>(slot)];
    if (!grid) grid = std::make_unique<ResultGrid>();
    return *grid;
}

void ODBCMoveFirst(TableInfo& record) {
    const int slot = GetGridIndex(record.Name);
    ResultGrid& grid = GridOfSlot(slot);
    if (DebugLogging()) DebugLog("ODBCMoveFirst GridIndex=" + std::to_string(slot) + " name=" + grid.Tag);
    if (grid.RowCount() <= 2) return;
    grid.CurrentRow = 2;
    record.CurrentRow = 1;
    for (int i = 0; i < record.FieldCount && i < static_cast<int>(record.Fields.size()); ++i)
        record.Fields[static_cast<size_t>(i)].Value = grid.CellAsText(2, i);
    record.AtFirst = true;
    record.Eof = false;
}

void ODBCMoveNext(TableInfo& record) {
    ResultGrid& grid = GridOfSlot(GetGridIndex(record.Name));
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

void ODBCCloseTbl(TableInfo& record) {
    const int slot = GetGridIndex(record.Name);
    if (DebugLogging()) DebugLog("ODBCCloseTbl: Closing grid " + std::to_string(slot) + " name = " + record.Name);
    Slots()[static_cast<size_t>(slot)].reset();
}

int GridRowCount(int slot) {
    const auto& slots = Slots();
    if (slot < 0 || static_cast<size_t>(slot) >= slots.size() || !slots[static_cast<size_t>(slot)]) return -1;
    return slots[static_cast<size_t>(slot)]->RowCount();
}

std::string GridCell(int slot, int row, int col) {
    const auto& slots = Slots();
    if (slot < 0 || static_cast<size_t>(slot) >= slots.size() || !slots[static_cast<size_t>(slot)]) return "";
    return slots[static_cast<size_t>(slot)]->Cell(row, col);
}

std::string GridTag(int slot) {
    const auto& slots = Slots();
    if (slot < 0 || static_cast<size_t>(slot) >= slots.size() || !slots[static_cast<size_t>(slot)]) return "";
    return slots[static_cast<size_t>(slot)]->Tag;
}

}  // namespace vd
