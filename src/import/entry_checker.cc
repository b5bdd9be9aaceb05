#include "import/entry_checker.h"

#include "legacy/legacy_tables.h"
#include "support/file_routines.h"
#include "wizard/step_engine.h"

namespace vdimpexp::importing {

EntryVerdict CheckEntries(const PageEntries& entries) {
  using wizard::TagIs;
  std::string_view tag = entries.page_tag;
  EntryVerdict verdict;
  if (entries.source == kZipCodeSource) {
    if (TagIs(tag, "ImportFrom")) {
      verdict.next = false;
      verdict.finish =
          !entries.source_file.empty() && support::FileExists(entries.source_file);
    } else if (TagIs(tag, "TextImport")) {
      verdict.next = true;
    }
  } else if (entries.source == kLegacySource) {
    if (TagIs(tag, "BrowseForXAVFolders")) {
      verdict.database_dir = DirectoryText(entries.main_directory);
      const std::string& folder = *verdict.database_dir;
      verdict.next = support::FileExists(
          legacy::FindLegacyTable(legacy::kCustomersCode)->PathIn(folder, folder));
    } else if (TagIs(tag, "GeneralCheckList")) {
      verdict.next = entries.any_table_ticked;
    }
  }
  if (TagIs(tag, "SelectDB")) verdict.next = true;
  return verdict;
}

std::string DirectoryText(std::string_view directory) {
  std::string text(directory);
  text += '/';
  std::string single;
  for (char c : text) {
    if (c == '/' && !single.empty() && single.back() == '/') continue;
    single += c;
  }
  return single;
}

}  // namespace vdimpexp::importing
