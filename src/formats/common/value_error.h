// The error every writer raises for a value it cannot store unchanged, in
// one form, so the user reads where it stopped the same way whatever the
// format: "<where>, row 12, column 'Notes': <what>."
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/db_error.h"

namespace vdimpexp::formats {

// `where` names the format and the file ("dBASE IV table '/x/cust.dbf'");
// `row` counts the records from 1, and 0 is the column names' row of a
// spreadsheet.
inline data::DbError ValueError(int32_t number, std::string_view where, int64_t row,
                                std::string_view column, std::string_view what) {
  const std::string row_text =
      row == 0 ? "the column names' row" : "row " + std::to_string(row);
  return data::DbError(number, std::string(where) + ", " + row_text + ", column '" +
                                   std::string(column) + "': " + std::string(what) + ".");
}

}  // namespace vdimpexp::formats
