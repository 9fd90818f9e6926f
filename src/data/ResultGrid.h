// The in-memory grids behind the table records: text cells, row 0 the
// column names, row 1 empty, data rows from row 2 in fetch order.
#pragma once

#include <string>
#include <vector>

namespace vd {

class ResultGrid {
public:
    std::string Tag;  // the name of the record that owns the grid; "" = free
    int CurrentRow = 0;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int ColCount() const { return cols_; }
    // Cuts rows off or adds empty ones.
    void SetRowCount(int count);
    void SetColCount(int count);
    void SetCell(int row, int col, const std::string& text);
    // "" for a cell outside the grid.
    const std::string& Cell(int row, int col) const;
    // Appends one row of cells (kept as they are, so a TAB or line end in a
    // value stays inside its cell).
    void AddRow(std::vector<std::string> cells);

private:
    std::vector<std::vector<std::string>> rows_{2};
    int cols_ = 0;
};

// The grid of a slot handed out by GetGridIndex (created when missing).
ResultGrid& GridOfSlot(int slot);

}  // namespace vd
