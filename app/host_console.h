// What vdhost does with a database besides opening the wizards: run one Jet
// statement and print its rows, or summarise what the database holds.
#pragma once

#include <ostream>
#include <string_view>

#include "data/connection.h"

namespace vdimpexp::host {

// Runs `statement`; a query's rows go to `out` as CSV with a header line
// (fields quoted when they hold a comma, quote or line break), an action
// statement reports how many rows it changed; SELECT ... INTO an export
// target ([TEXT;Database=folder].[file], ...) writes that file. Errors
// propagate as DbError.
void RunStatement(data::Connection& connection, std::string_view statement,
                  std::ostream& out);

// One line per table and view: its name and its row count.
void PrintSummary(data::Connection& connection, std::ostream& out);

}  // namespace vdimpexp::host
