// Moving values between SQLite's storage classes and the layer's Value,
// guided by the column's declared type.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "data/column_info.h"
#include "data/value.h"

namespace vdimpexp::data {

// Reads column `index` of the statement's current row as the column's kind.
// A stored value that does not fit the declared type (text in a number
// column) is handed back as it is stored, never lost.
Value ReadColumn(sqlite3_stmt* statement, int index, const ColumnInfo& column);

// The whole number a whole-number column reads a stored double as, rounded
// half to even; none beyond 64 bits, where the double itself is kept.
std::optional<int64_t> WholeNumberOf(double stored);

// Binds to 1-based parameter `index`: dates in their ISO storage form,
// booleans as 1 and 0.
int BindValue(sqlite3_stmt* statement, int index, const Value& value);

// The result columns of a prepared statement, with their declared types
// where the column comes straight from a table.
std::vector<ColumnInfo> DescribeResultColumns(sqlite3_stmt* statement);

}  // namespace vdimpexp::data
