#include "import/legacy_discovery.h"

#include "legacy/cb_support.h"
#include "support/file_routines.h"

namespace vdimpexp::importing {

std::vector<CheckListEntry> DiscoverLegacyTables(std::string_view database_dir,
                                                 std::string_view history_dir) {
  std::vector<CheckListEntry> entries;
  for (const legacy::LegacyTable& table : legacy::kLegacyTables) {
    const std::string path = table.PathIn(database_dir, history_dir);
    if (!support::FileExists(path)) continue;
    int32_t records = legacy::CountDbfRecords(path);
    if (records == 0) continue;
    entries.push_back(
        {std::string(table.entry_text) + std::to_string(records) + " records)",
         table.code});
  }
  return entries;
}

}  // namespace vdimpexp::importing
