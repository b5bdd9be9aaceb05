// The pieces of an export statement: which columns, where to, from which
// rows. "SELECT [A],[B] INTO [TEXT;Database=/exports].[cust.csv] FROM ..."
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_formats.h"

namespace vdimpexp::exporting {

// Folder part + "].[" + file part + "]"; the folder part is quoted when a
// connect string could not otherwise hold it.
std::string ExportFileName(std::string_view rsFileName);
// "].[" + file part + "]": the worksheet is named after the workbook file.
std::string ExcelExport(std::string_view rsFileName);

// A chosen file an export statement cannot name; what() tells the user why.
class UnnamableTarget : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws UnnamableTarget unless `path` can stand as the database of
// "[path].[table]": a "]" would end the name early, and a ";" would make the
// engine read it as a connect string.
void CheckNamesDatabaseFile(std::string_view path);

// Where `chosen_file` goes for `format`. Throws UnnamableTarget for a path
// the statement cannot name, and for an Access target whose file name has
// no extension, which names no database the engine can find.
std::string TargetReference(const ExportFormat& format, std::string_view chosen_file);

// A column written under another name, because dBASE keeps at most 10
// characters of a name.
struct ColumnAlias {
  std::string name;
  std::string alias;
  friend bool operator==(const ColumnAlias&, const ColumnAlias&) = default;
};

inline constexpr size_t kDbaseNameLimit = 10;

// One alias for every selected column whose name is longer than the dBASE
// limit, in selection order: the name after its first ".", cut to 7
// characters, followed by `draw_suffix()` (1 to 999). A suffix is drawn
// again while the alias would repeat a name or alias of the export, so
// the target never gets two columns of one name.
std::vector<ColumnAlias> DbaseAliases(std::span<const std::string> selected_fields,
                                      const std::function<int32_t()>& draw_suffix);

// "[A],[B] AS [alias],[C]": the selected columns in order; the i-th aliased
// occurrence takes aliases[i].
std::string FieldList(std::span<const std::string> selected_fields,
                      std::span<const ColumnAlias> aliases);

// The selection statement with every "SELECT * FROM" taken out.
std::string WithoutSelectAll(std::string_view selection_sql);

// The selection statement without "SELECT * FROM"; what still selects
// (joins over several tables) becomes a derived table.
std::string RowSource(std::string_view selection_sql);

std::string ExportStatement(std::string_view field_list, std::string_view target,
                            std::string_view row_source);

}  // namespace vdimpexp::exporting
