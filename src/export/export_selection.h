// Writing the chosen rows and columns into a file of the chosen format:
// the questions first (format, fields, target file, overwrite), then one
// SELECT ... INTO statement on the host connection, or the rows saved as
// an XML rowset file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "data/connection.h"
#include "export/selection_sql.h"

namespace vdimpexp::exporting {

struct ExportRequest {
  size_t format_index = 0;  // position in kExportFormats
  SelectionRequest selection;
};

struct ExportResult {
  // The statement built for the export ("" when none was built).
  std::string result_sql;
  // The last page's new text; nullopt leaves the page as it was.
  std::optional<std::string> finished_message;
};

// Asks and writes through the active prompts. A failure while writing is
// reported in a message box and leaves no target file behind.
// `accept_input(false)` is called while the file is written,
// `accept_input(true)` after.
ExportResult ExportSelection(const ExportRequest& request, data::Connection& host,
                             const std::function<void(bool)>& accept_input);

}  // namespace vdimpexp::exporting
