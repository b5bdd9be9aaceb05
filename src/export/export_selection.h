// Writing the chosen rows and columns into a file of the chosen format:
// the questions first (format, fields, target file, overwrite), then one
// SELECT ... INTO statement on the host connection, or the rows saved as
// an XML rowset file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "export/export_statement.h"
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
  // Of a completed export, what the completion text tells: the file, the
  // rows written (unknown for an XML file), the columns renamed for the
  // format and what it changed in values.
  std::string file;
  std::optional<int64_t> rows_written;
  std::vector<ColumnAlias> renamed;
  std::vector<std::string> format_changes;
};

// Asks and writes through the active prompts. A failure while writing is
// reported in a message box and leaves no target file behind.
// `accept_input(false)` is called while the file is written,
// `accept_input(true)` after.
ExportResult ExportSelection(const ExportRequest& request, data::Connection& host,
                             const std::function<void(bool)>& accept_input);

}  // namespace vdimpexp::exporting
