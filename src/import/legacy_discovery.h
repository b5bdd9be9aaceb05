// Which of the legacy application's tables the chosen folders hold, and
// how many records each has: the list the user ticks the tables to import
// from. Codes and order are fixed; the import walks the list by code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "legacy/legacy_tables.h"

namespace vdimpexp::importing {

struct CheckListEntry {
  std::string text;  // "Customers (1234 records)"
  int32_t code;

  bool operator==(const CheckListEntry&) const = default;
};

// Every legacy table that exists under its folder and holds records, in
// code order. Both folders end in a separator. A missing file is never
// opened, and a table is counted from its header alone.
std::vector<CheckListEntry> DiscoverLegacyTables(std::string_view database_dir,
                                                 std::string_view history_dir);

}  // namespace vdimpexp::importing
