// What the spreadsheet writers (Excel and Lotus) share: the serial day
// numbers dates are stored as, and the names of the worksheets an export
// fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace vdimpexp::formats
