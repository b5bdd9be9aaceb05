// What the spreadsheet writers share: the serial day numbers dates are
// stored as, and the worksheets an export fills, one after another, and
// their names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/value.h"

namespace vdimpexp::formats {

// The date as a serial day number of the 1900 date system that Lotus
// 1-2-3 began and Excel keeps: 1 is 1900-01-01, and day 60 is the
// 1900-02-29 that never was, so from 1900-03-01 on the serial counts days
// since 1899-12-30. The time of day is the fraction. nullopt for a date
// before 1900, which the system cannot hold.
std::optional<double> SerialDate(const data::Date& date);

// Whether a number cell, a double, holds `number` exactly: every whole
// number up to 2^53 fits; beyond, digits would change, so the spreadsheet
// writers store such numbers as text.
constexpr bool FitsNumberCell(int64_t number) {
  constexpr int64_t kLargestExact = int64_t{1} << 53;
  return number >= -kLargestExact && number <= kLargestExact;
}

// "an Excel 3.0 worksheet holds at most 16,384 rows: the column names and
// 16,383 records", the limit of `format`'s worksheets of `max_rows` rows.
std::string WorksheetRowLimit(std::string_view format, int64_t max_rows);

// What a file format allows in the name of a worksheet.
struct SheetNameRules {
  size_t max_characters;
  std::string_view forbidden;  // ASCII characters a name may not hold
  bool (*storable)(char32_t);  // whether the file can store the character
};

// The name of the `sheet_number`th worksheet (from 1) of an export to
// `table`: the table name itself, then "<name> (2)", "<name> (3)", ...
// A file name is never refused as a worksheet name: forbidden, control and
// unstorable characters and an apostrophe at either end become "_", and
// the name is cut so that it, suffix included, holds at most
// `max_characters` characters; an empty name becomes "Sheet".
std::string WorksheetName(std::string_view table, int sheet_number,
                          const SheetNameRules& rules);

// The worksheets an export fills one after another: each holds `max_rows`
// rows, the column names first, and the record that finds one full goes
// on in the next, named by WorksheetName.
class ContinuedSheets {
 public:
  ContinuedSheets(std::string_view table, const SheetNameRules& rules, uint32_t max_rows);

  // Starts the next worksheet, its names row not yet written; returns its
  // name, which the next Start may move.
  const std::string& Start();
  // Whether the current worksheet has room for no more rows.
  bool Full() const { return rows_ == max_rows_; }
  // Counts a record before its row is written.
  void CountRecord();
  // Counts a row written, the names row included.
  void CountRow() { ++rows_; }

  // The current worksheet's rows written, names included: the next row's index.
  uint32_t Rows() const { return rows_; }
  // The record being written, as errors number it: 0 for the names row.
  int64_t RecordBeingWritten() const { return rows_ == 0 ? 0 : records_; }
  const std::vector<std::string>& Names() const { return names_; }

  // Appends the line that tells where the rows went that the first
  // worksheet had no room for; nothing while there was room.
  void DescribeContinued(std::vector<std::string>& lines) const;

 private:
  std::string table_;
  SheetNameRules rules_;
  uint32_t max_rows_;
  std::vector<std::string> names_;
  uint32_t rows_ = 0;
  int64_t records_ = 0;
  int64_t first_continued_ = 0;  // the first record on a further worksheet
};

}  // namespace vdimpexp::formats
