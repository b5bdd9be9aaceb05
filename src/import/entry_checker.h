// Which of Next and Finish the import wizard allows on the page shown, from
// what the user has entered there. The wizard asks twice a second.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vdimpexp::importing {

inline constexpr int kZipCodeSource = 1;
inline constexpr int kLegacySource = 5;

struct PageEntries {
  int source = kLegacySource;
  std::string_view page_tag;
  std::string_view source_file;     // the zip-code database named on "ImportFrom"
  std::string_view main_directory;  // the directory chosen on the folder page
  bool any_table_ticked = false;    // on the legacy table check list
};

// Each field is set only where the page decides it; the rest stays as it is.
struct EntryVerdict {
  std::optional<bool> next;
  std::optional<bool> finish;
  std::optional<std::string> database_dir;
};

EntryVerdict CheckEntries(const PageEntries& entries);

// A directory as the import names it: followed by exactly one separator,
// so a file name can be appended ("/data/xav" and "/data/xav/" both give
// "/data/xav/", the root gives "/").
std::string DirectoryText(std::string_view directory);

}  // namespace vdimpexp::importing
