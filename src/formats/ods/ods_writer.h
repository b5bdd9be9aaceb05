// OpenDocument spreadsheets (.ods) as export targets. The rows go into the
// tables of content.xml as they arrive, in a temporary file, so memory stays
// flat however many rows come; Finish puts the column widths and the styles
// before them and zips the document: "mimetype" first and stored, then the
// content, the styles, the settings (which freeze each table's first row)
// and the manifest. The workbook, named by the target's database, has a
// table named after the target's table, its first row the column names.
// Numbers are floats, dates dates in a date style, booleans booleans, text
// stays text (leading zeros, runs of blanks, tabs and line breaks
// included) and nulls are empty cells. Whole numbers beyond 2^53 and
// non-finite doubles are written as text; a control character XML cannot
// hold becomes "?" and is counted. Each column is as wide as the longest
// value written into it.
//
// A table holds 1,048,576 rows, as many as current spreadsheets show; the
// export goes on in "<table> (2)", ... with the column names again, and
// Changes() names those tables and the rows they took.
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
#include "formats/excel/spool.h"

namespace vdimpexp::formats {

class OdsWriter : public data::TableWriter {
 public:
  static constexpr uint32_t kMaxRows = 1048576;  // of a table, names included
  // `max_rows` lowers a table's rows, so that tests reach the further
  // tables with few rows.
  explicit OdsWriter(uint32_t max_rows = kMaxRows);
  ~OdsWriter() override;

  // Throws data::DbError for more columns than a table has (16,384) and a
  // file that exists already.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // Throws data::DbError naming the row and column of text that is no UTF-8.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;
  std::vector<std::string> Changes() const override;

 private:
  void StartSheet();
  void AppendValue(size_t column, const data::Value& value);
  void AppendText(size_t column, std::string_view utf8, ColumnChanges* changes);
  void Flush();
  void WriteContent(const std::string& path) const;
  void Zip(const std::string& content, const std::string& archive) const;
  std::string Where() const;
  [[noreturn]] void Fail(const std::string& what) const;

  uint32_t max_rows_;
  std::string path_;
  std::vector<std::string> column_names_;
  std::optional<TargetFile> file_;
  std::unique_ptr<Spool> tables_;  // content.xml's tables, as the rows come
  std::optional<ContinuedSheets> sheets_;
  std::vector<ColumnWidths> widths_;  // of each table
  std::vector<ColumnChanges> changes_;
  std::string xml_;  // rows waiting for the spool
};

}  // namespace vdimpexp::formats
