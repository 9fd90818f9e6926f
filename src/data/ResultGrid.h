// The in-memory grid of a table record: row 0 the column names, row 1
// empty, data rows from row 2 in fetch order. A cell keeps the value as it
// was read (a number stays a number) and reads as its text.
#pragma once

#include <string>
#include <vector>

#include "data/FieldValue.h"

namespace vd {

class ResultGrid {
public:
    int CurrentRow = 0;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int ColCount() const { return cols_; }
    // Cuts rows off or adds empty ones.
    void SetRowCount(int count);
    void SetColCount(int count);
    void SetCell(int row, int col, const std::string& text);
    // The cell; nullptr outside the grid.
    const FieldValue* At(int row, int col) const;
    // The cell as a record field holds it after a move: its text (see
    // FieldValue::AsText); "" outside the grid.
    FieldValue CellAsText(int row, int col) const;
    // Appends one row of cells (kept as they are, so a TAB or line end in a
    // value stays inside its cell).
    void AddRow(std::vector<FieldValue> cells);
    // Drops every row and column.
    void Release();

private:
    std::vector<std::vector<FieldValue>> rows_;
    int cols_ = 0;
};

}  // namespace vd
