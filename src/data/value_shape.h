// Measuring what a selection's columns hold, for writers whose fields have
// fixed widths: they learn the widths before the first row arrives.
#pragma once

#include <span>
#include <string_view>

#include "data/column_info.h"
#include "data/session.h"

namespace vdimpexp::data {

// Widens `shape` to hold the number, as it reads to 15 significant digits
// (0.30000000000000004 needs one place). Infinities and NaN change nothing.
void WidenForNumber(ValueShape& shape, double number);
void WidenForNumber(ValueShape& shape, int64_t number);

// Defines the aggregate the measuring pass uses, once for a connection:
// SQLite refuses to define a function while any statement of the
// connection is running, and a host keeps recordsets open over an export.
void RegisterMeasureFunction(sqlite3* db);

// Sets every column's `measured` from one aggregate pass over the rows of
// `select_sql`, whose result columns `columns` describe.
void MeasureResultColumns(Session& session, std::string_view select_sql,
                          std::span<ColumnInfo> columns);

}  // namespace vdimpexp::data
