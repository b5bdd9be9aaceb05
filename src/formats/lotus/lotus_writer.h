// Lotus 1-2-3 worksheet files as export targets: Release 2's WK1, Release
// 3's WK3 and Release 4's WK4 (1-2-3 for Windows). The first row holds the
// column names; each record follows on a row of its own. A WK1 file is one
// worksheet; WK3 and WK4 files continue on a further worksheet, its first
// row again the column names, when one is full.
//
// A label takes what its release's cell entry holds: a longer text is cut,
// and a character the release's character set lacks is written as "?";
// both are counted and told. Column names are never changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/external_target.h"
#include "formats/common/format_changes.h"
#include "formats/common/target_file.h"

namespace vdimpexp::formats {

enum class LotusRelease { kWk1, kWk3, kWk4 };

class LotusWriter : public data::TableWriter {
 public:
  explicit LotusWriter(LotusRelease release);

  // Throws data::DbError for more columns than a worksheet has, a column
  // name the character set cannot hold or a label cannot take whole, and a
  // file that exists already.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // Throws data::DbError for a record beyond the last row the file holds.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;
  std::vector<std::string> Changes() const override;

 private:
  bool MultiSheet() const;
  // Opens the next worksheet of a WK3 or WK4 file with its column names.
  void StartSheet();
  void WriteColumnNames();
  void AppendValue(int column, const data::Value& value);
  void AppendLabel(int column, std::string_view utf8);
  void AppendColumnName(int column);
  void AppendLabelRecord(int column);
  void AppendNumber(int column, double number, bool is_date);
  void AppendInteger(int column, int64_t number);
  // A WK3/WK4 row's date cells get their format in a record of its own.
  void AppendRowFormats();
  void AppendCellRecord(uint16_t type, size_t body_length, uint8_t format, int column);
  // "Lotus WK1 worksheet '/exports/cust'", the start of every error.
  std::string Where() const;
  [[noreturn]] void FailValue(int column, int32_t number, const std::string& what) const;

  LotusRelease release_;
  std::filesystem::path path_;
  std::string table_;
  std::vector<std::string> column_names_;
  std::vector<ColumnChanges> changes_;  // one for each column
  std::optional<TargetFile> file_;
  // One row's records, and one text's encoded bytes, reused for every row:
  // memory stays flat however many rows arrive.
  std::string records_;
  std::string encoded_;
  std::vector<bool> date_in_row_;
  int sheet_ = -1;        // the worksheet being filled, from 0
  int row_in_sheet_ = 0;  // the row the next record takes on it
  int highest_row_ = 0;   // the last row used on any worksheet
  int64_t rows_ = 0;      // records written, for errors
};

}  // namespace vdimpexp::formats
