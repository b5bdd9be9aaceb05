// Which of the legacy application's tables the chosen folders hold, and
// how many records each has: the list the user ticks the tables to import
// from. Codes and order are fixed; the import walks the list by code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vdimpexp::importing {

struct LegacyTable {
  int32_t code;
  std::string_view file_name;
  // ARCHIVE.DBF lies in the history folder, every other table in the main one.
  bool in_history_directory;
  std::string_view entry_text;
};

inline constexpr LegacyTable kLegacyTables[] = {
    {1, "LOG.DBF", false, "Customers ("},
    {2, "STOCK.DBF", false, "Inventory ("},
    {3, "XSERCODES.DBF", false, "Service Codes ("},
    {4, "XLABOR.DBF", false, "Labor Codes ("},
    {5, "MFG.DBF", false, "Manufacturers ("},
    {6, "STORES.DBF", false, "Dealers ("},
    {7, "VENDOR.DBF", false, "Vendor ("},
    {8, "XSERV_LIT.DBF", false, "Service Literature ("},
    {9, "ARCHIVE.DBF", true, "History W/O ("},
};

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
