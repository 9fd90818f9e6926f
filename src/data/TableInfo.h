// The in-memory record of one opened table: its columns, the values of the
// current row and the position in the rows of the last result.
#pragma once

#include <string>
#include <vector>

#include "data/FieldValue.h"

namespace vd {

struct FieldEntry {
    std::string Name;   // column name as the driver describes it
    int Type = 0;       // field type code (1 BIT ... 10 CHAR/VARCHAR, 12 LONGVARCHAR, ...)
    int Size = 0;       // declared column size; 0 for code 12
    FieldValue Value;   // typed after a load, text after a move
};

struct TableInfo {
    std::string Name;        // table name or alias; also the name of its grid
    bool AtFirst = false;
    int CurrentRow = 0;      // data row counting from 1
    int FieldCount = 0;
    bool Eof = false;
    bool NoMatch = false;
    int RecordCount = 0;
    std::vector<FieldEntry> Fields;

    // The field at a position; a position the record lacks is failure 9.
    FieldEntry& Field(int position);
    const FieldEntry& Field(int position) const;
};

}  // namespace vd
