#include "legacy/legacy_tables.h"

#include <filesystem>

#include "legacy/dbf_table.h"

namespace vdimpexp::legacy {

std::string LegacyTable::PathIn(std::string_view database_dir,
                                std::string_view history_dir) const {
  std::string path = std::string(in_history_directory ? history_dir : database_dir) +
                     std::string(file_name);
  std::error_code unknown;
  if (std::filesystem::exists(path, unknown)) return path;
  return FileBeside(path, std::filesystem::path(file_name).extension().string())
      .value_or(path);
}

}  // namespace vdimpexp::legacy
