// Measuring what a selection's columns hold, for writers whose fields have
// fixed widths: they learn the widths before the first row arrives.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "data/column_info.h"
#include "data/external_target.h"
#include "data/session.h"
#include "data/write_progress.h"

namespace vdimpexp::data {

// Widens `shape` to hold the number, as it reads to 15 significant digits
// (0.30000000000000004 needs one place). Infinities and NaN change nothing.
void WidenForNumber(ValueShape& shape, double number);
void WidenForNumber(ValueShape& shape, int64_t number);

// Defines the aggregate the measuring pass uses, once for a connection:
// SQLite refuses to define a function while any statement of the
// connection is running, and a host keeps recordsets open over an export.
void RegisterMeasureFunction(sqlite3* db);

// Readies `columns`, the result columns of `select_sql`, for `writer`:
// when it needs them measured, sets every column's `measured` from one
// aggregate pass over the rows. Returns the rows to come where they were
// learnt, by that pass or by a count that `progress` wants; 0 otherwise.
int64_t ReadyColumnsForWriter(Session& session, std::string_view select_sql,
                              const TableWriter& writer, std::span<ColumnInfo> columns,
                              const WriteProgress* progress);

}  // namespace vdimpexp::data
