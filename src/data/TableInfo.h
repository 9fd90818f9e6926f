// The in-memory record of one opened table: its columns, the values of the
// current row, the position in the rows of the last result and the grid
// that holds those rows.
#pragma once

#include <string>
#include <vector>

#include "data/FieldValue.h"
#include "data/ResultGrid.h"

namespace vd {

// The type of a column: the ODBC SQL type, folded into the codes the
// record access writes SQL by. Dates and times of ODBC 3 read as their
// ODBC 2 codes (a time as 10, like text); a type not named here keeps its
// ODBC code.
enum class FieldType : int {
    Unknown = 0,
    Bit = 1,
    TinyInt = 2,
    SmallInt = 3,
    Integer = 4,
    Numeric = 5,
    Real = 6,
    Double = 7,  // DECIMAL and DOUBLE
    Timestamp = 8,
    Date = 9,
    Text = 10,  // CHAR, VARCHAR and TIME
    LongBinary = 11,
    LongText = 12,
    BigInt = -5,
    WideChar = -8,
    WideVarChar = -9,
    WideLongText = -10,
};

struct FieldEntry {
    std::string Name;                     // column name as the driver describes it
    FieldType Type = FieldType::Unknown;
    int Size = 0;                         // declared column size; 0 for LongText
    FieldValue Value;                     // typed after a load, text after a move
};

// The number a record's grid goes by in the debug log: the record's
// ordinal among the records of the run that loaded a result, given at its
// first statement. A copy is another record and gets its own.
class GridNumber {
public:
    GridNumber() = default;
    GridNumber(const GridNumber&) {}
    GridNumber& operator=(const GridNumber&) { return *this; }
    int Get() const { return n_; }
    bool Given() const { return n_ != 0; }
    void Give();  // once; the next ordinal of the run (a new run numbers from 1 again)

private:
    int n_ = 0;
};

struct TableInfo {
    std::string Name;        // table name or alias
    bool AtFirst = false;
    int CurrentRow = 0;      // data row counting from 1
    int FieldCount = 0;
    bool Eof = false;
    bool NoMatch = false;
    int RecordCount = 0;
    std::vector<FieldEntry> Fields;
    ResultGrid Grid;         // the rows of the last result
    GridNumber Number;

    // The field at a position; a position the record lacks is failure 9.
    FieldEntry& Field(int position);
    const FieldEntry& Field(int position) const;
};

}  // namespace vd
