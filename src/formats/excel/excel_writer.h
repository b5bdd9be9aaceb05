// Excel files as export targets: an Excel 3.0 or 4.0 worksheet (a BIFF3 or
// BIFF4 file of one sheet), or an Excel 5.0/95 or Excel 97 workbook (BIFF5
// or BIFF8 in a compound file), named by the target's database; the
// worksheets bear the target's table name. Row 1 holds the column names,
// each record a row below. Text stays text, numbers are numbers, dates are
// date-formatted serial numbers, booleans are boolean cells and nulls are
// empty cells. Before Excel 97 text is Windows-1252: a character it lacks
// is written as "?" and counted, and Changes() tells how many per column.
//
// A worksheet of Excel 3.0 to 95 holds 16,384 rows, one of Excel 97 65,536.
// A workbook goes on in a new worksheet "<table> (2)", ... with the column
// names again, and Changes() names the worksheets and the rows they took;
// a single-sheet file refuses the record that does not fit.
//
// Memory stays flat however many rows arrive: the cells of a workbook and
// Excel 97's shared strings wait in temporary files until Finish writes
// the workbook stream in order, and libgsf passes that stream on to the
// file as it comes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/external_target.h"
#include "formats/common/format_changes.h"
#include "formats/common/spreadsheet_cells.h"
#include "formats/common/target_file.h"
#include "formats/excel/biff_records.h"
#include "formats/excel/shared_strings.h"
#include "formats/excel/spool.h"

namespace vdimpexp::formats {

class ExcelWriter : public data::TableWriter {
 public:
  explicit ExcelWriter(BiffVersion version);
  ~ExcelWriter() override;

  // Throws data::DbError for more columns than a worksheet has, a column
  // name or worksheet name the version cannot store (too long, or outside
  // Windows-1252 before Excel 97), and a workbook file that exists already.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // A text longer than a cell of the version holds (255 characters before
  // Excel 97, 32,767 UTF-16 units in Excel 97, which is all Excel itself
  // takes) is cut to it, and counted. Throws data::DbError naming the row
  // and column of text that is no UTF-8 in Excel 97, and for a row beyond
  // the last of a single-sheet file.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;
  std::vector<std::string> Changes() const override;

 private:
  // A worksheet of a workbook: its name, as BOUNDSHEET stores it, and its
  // cells in the spool.
  struct SpooledSheet {
    std::string stored_name;
    uint64_t spool_begin = 0;
    uint64_t spool_end = 0;
    uint32_t rows = 0;
  };

  void StartSheet();
  void EndSheet();
  void WriteCells();
  void AppendCell(uint16_t row, uint16_t column, const data::Value& value);
  // Text refuses a character the code page lacks without `changes` (names,
  // and what the writer itself spells out), and counts it as "?" there.
  void AppendText(uint16_t row, uint16_t column, std::string_view utf8,
                  ColumnChanges* changes);
  // Cuts the text in `encoded_` to `characters`, the most a cell holds.
  void CutEncodedText(size_t characters);
  void FinishWorksheetFile();
  void FinishWorkbook();
  // BOF to DIMENSIONS of a workbook's worksheet.
  std::string SheetPrologue(const SpooledSheet& sheet) const;
  // "Excel 97 workbook '/exports/cust.xls'", the start of every error.
  std::string Where() const;
  [[noreturn]] void Fail(int32_t number, const std::string& what) const;
  [[noreturn]] void FailCell(uint16_t column, int32_t number,
                             const std::string& what) const;

  BiffVersion version_;
  std::filesystem::path path_;
  std::vector<std::string> column_names_;
  std::optional<TargetFile> file_;
  std::unique_ptr<Spool> spool_;
  std::optional<ContinuedSheets> sheets_;
  std::vector<SpooledSheet> spooled_;     // of a workbook
  std::optional<SharedStrings> strings_;  // of Excel 97
  std::vector<ColumnChanges> changes_;    // one for each column
  // Where DIMENSIONS stands in a single-sheet file, completed by Finish.
  uint64_t dimensions_offset_ = 0;
  // Reused for every row and every text: memory stays flat however many
  // rows arrive.
  std::string cells_;
  std::string encoded_;
};

}  // namespace vdimpexp::formats
