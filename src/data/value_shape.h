// Measuring what a selection's columns hold, for writers whose fields have
// fixed widths: they learn the widths before the first row arrives.
#pragma once

#include <sqlite3.h>

#include <span>

#include "data/column_info.h"

namespace vdimpexp::data {

// Widens `shape` to hold the number, as it reads to 15 significant digits
// (0.30000000000000004 needs one place). Infinities and NaN change nothing.
void WidenForNumber(ValueShape& shape, double number);
void WidenForNumber(ValueShape& shape, int64_t number);

// Steps `statement` through all its rows, sets every column's `measured`,
// and resets the statement for the rows to be read again.
void MeasureResultColumns(sqlite3_stmt* statement, std::span<ColumnInfo> columns);

}  // namespace vdimpexp::data
