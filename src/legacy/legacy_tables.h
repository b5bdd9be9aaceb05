// The legacy application's tables the import knows, by the codes the
// check list carries: where each lies and how the list names it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vdimpexp::legacy {

struct LegacyTable {
  int32_t code;
  std::string_view file_name;
  // ARCHIVE.DBF lies in the history folder, every other table in the main one.
  bool in_history_directory;
  std::string_view entry_text;

  // Where it lies, given the main and the history folder (each ending in a
  // separator): the file of its name, else, as copies from DOS often
  // arrive in lower case, one whose name differs from it only in case.
  std::string PathIn(std::string_view database_dir, std::string_view history_dir) const;
};

// The customers' table, LOG.DBF, whose presence makes a folder the legacy
// application's.
inline constexpr int32_t kCustomersCode = 1;

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

// The table with `code`; nullptr for a code no table has.
inline const LegacyTable* FindLegacyTable(int32_t code) {
  for (const LegacyTable& table : kLegacyTables) {
    if (table.code == code) return &table;
  }
  return nullptr;
}

}  // namespace vdimpexp::legacy
