// Writers for external file targets ("installable ISAM" formats): a
// SELECT ... INTO [Connect;Database=folder].[name] statement hands its
// column descriptions and then its rows, one at a time, to the writer
// registered for the connect type. Writers know values and columns, never
// the connection they come from.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/column_info.h"
#include "data/value.h"
#include "data/write_progress.h"

namespace vdimpexp::data {

struct ExternalTarget {
  std::string connect_type;  // "dBASE IV", "Excel 8.0", "TEXT", ...
  std::string database;      // the folder, or the workbook file
  std::string table;         // the file name in the folder, or the sheet
  // Every "key=value" of the connect string after its type, keys as written.
  std::map<std::string, std::string> properties;
};

class TableWriter {
 public:
  virtual ~TableWriter() = default;
  // Starts the target; throws DbError when it cannot be created.
  virtual void Open(const ExternalTarget& target,
                    std::span<const ColumnInfo> columns) = 0;
  virtual void WriteRow(std::span<const Value> row) = 0;
  // Completes the target. Until it returns, nothing written counts.
  virtual void Finish() = 0;
  // Removes whatever Open and WriteRow left behind, after any failure.
  virtual void Abandon() noexcept = 0;

  // Whether Open needs each column's `measured` shape. Measuring costs a
  // pass over the rows before the first one arrives, so only writers whose
  // fields have fixed widths ask for it.
  virtual bool NeedsMeasuredColumns() const { return false; }
  // What the writer changed in values to fit its format, one line each
  // ("Notes: 3 characters written as "?""); complete once Finish returns.
  virtual std::vector<std::string> Changes() const { return {}; }
};

using TableWriterFactory = std::function<std::unique_ptr<TableWriter>()>;

// Connect types are matched without regard to case. A later registration of
// the same type replaces the earlier one.
void RegisterTableWriter(std::string_view connect_type, TableWriterFactory factory);
// nullptr when no writer is registered for the type.
std::unique_ptr<TableWriter> CreateTableWriter(std::string_view connect_type);
// Every registered connect type, in lower case (as they are matched), sorted.
std::vector<std::string> RegisteredConnectTypes();

// Fills `row` with the next row's values; false after the last row.
using RowSource = std::function<bool(std::vector<Value>& row)>;

// Where WriteAllRows reports, and the rows to come it tells (0: not counted,
// or none: a bar shows no percentage for either).
struct RowsReport {
  WriteProgress* progress = nullptr;
  int64_t rows_to_come = 0;
};

// Opens `writer` on `target`, hands it every row `next_row` gives, and
// finishes it, telling `report.progress` (when there is one) how far it
// has come. After any failure the writer abandons what it wrote and the
// error is raised as a DbError that names the target. Returns the rows
// written.
int64_t WriteAllRows(TableWriter& writer, const ExternalTarget& target,
                     std::span<const ColumnInfo> columns, const RowSource& next_row,
                     RowsReport report);

}  // namespace vdimpexp::data
