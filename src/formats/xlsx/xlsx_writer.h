// Excel 2007 and later workbooks (.xlsx) as export targets, written by
// libxlsxwriter in its constant-memory mode: each row goes to the
// library's temporary file as it arrives, so memory stays flat however
// many rows come. The workbook, named by the target's database, has a
// worksheet named after the target's table, its first row the column
// names, frozen. Numbers are numbers, dates date-formatted serial numbers
// (text before 1900, where serials start), booleans booleans, text stays
// text (leading zeros included), nulls and empty texts are empty cells
// (libxlsxwriter writes no cell for an empty text). Whole numbers
// beyond 2^53 and non-finite doubles are written as text. Each column is
// as wide as the longest value written into it.
//
// A worksheet holds 1,048,576 rows; the export goes on in "<table> (2)",
// ... with the column names again, and Changes() names those worksheets
// and the rows they took. A text longer than a cell's 32,767 characters is
// cut to them and counted, and so is a double that libxlsxwriter's 16
// significant digits round (0.30000000000000004 is written 0.3).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/external_target.h"
#include "formats/common/column_widths.h"
#include "formats/common/format_changes.h"
#include "formats/common/scratch_path.h"
#include "formats/common/spreadsheet_cells.h"
#include "formats/common/target_file.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vdimpexp::formats {

class XlsxWriter : public data::TableWriter {
 public:
  static constexpr uint32_t kMaxRows = 1048576;  // of a worksheet, names included
  // `max_rows` lowers a worksheet's rows, so that tests reach the further
  // worksheets with few rows.
  explicit XlsxWriter(uint32_t max_rows = kMaxRows);
  ~XlsxWriter() override;

  // Throws data::DbError for more columns than a worksheet has (16,384)
  // and a workbook file that exists already.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // Throws data::DbError naming the row and column of text that is no UTF-8.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;
  std::vector<std::string> Changes() const override;

 private:
  void StartSheet();
  void EndSheet();
  void WriteValue(uint16_t column, const data::Value& value);
  void WriteText(uint16_t column, const std::string& utf8, ColumnChanges* changes);
  void Check(int error) const;
  std::string Where() const;
  [[noreturn]] void Fail(const std::string& what) const;

  uint32_t max_rows_;
  std::string path_;
  std::vector<std::string> column_names_;
  std::optional<TargetFile> file_;
  std::optional<ScratchPath> scratch_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* date_ = nullptr;
  lxw_format* date_time_ = nullptr;
  std::optional<ContinuedSheets> sheets_;
  std::optional<ColumnWidths> widths_;  // of the current worksheet
  std::vector<ColumnChanges> changes_;
  std::string text_;  // reused for every cut text and number spelled out
};

}  // namespace vdimpexp::formats
