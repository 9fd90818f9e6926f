// Helpers for writing values into SQL text.
#pragma once

#include <string>
#include <string_view>

#include "data/FieldValue.h"
#include "data/TableInfo.h"

namespace vd {

// A whole number text: [+-]digits[.digits][E[+-]digits] (or .digits),
// nothing before or after it.
bool IsNumberText(std::string_view text);

// Field types written as numbers: BIT, TINYINT, SMALLINT, INTEGER,
// NUMERIC, REAL, DECIMAL/DOUBLE and BIGINT.
bool IsNumericType(FieldType type);
// Field types written as quoted text: CHAR/VARCHAR, LONGVARCHAR and the
// wide character types.
bool IsTextType(FieldType type);

// The value of a numeric column as SQL text; a value that is not a number
// (an empty value included) is failure 13 "Type mismatch".
std::string SqlNumber(const FieldValue& value);

// A timestamp value as SQL text "YYYY-MM-DD" or "YYYY-MM-DD hh:mm:ss" (the
// time only when it is not midnight). Reads "YYYY-MM-DD[ hh:mm[:ss[.f]]]"
// (also with "T") and "M/D/YYYY[ h:mm[:ss][ AM|PM]]"; anything else is
// failure 13 "Type mismatch".
std::string SqlTimestamp(const std::string& text);

}  // namespace vd
