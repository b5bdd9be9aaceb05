// Value conversion on assignment to a column, the way the host's database
// platform converts: text into numbers and dates, numbers into text, and a
// refusal for what the column cannot hold.
#pragma once

#include <string_view>

#include "data/column_info.h"
#include "data/value.h"

namespace vdimpexp::data {

// Converts `value` in place to the column's own kind. Throws DbError with
// kTypeMismatch for a value the column cannot take (blank or non-numeric
// text into a number, a number out of the column's range, a malformed date)
// and kTextTooLong for text longer than a sized text column.
void ConvertValueForColumn(const ColumnInfo& column, Value& value);

// For a floating-point column (single, double, currency, decimal) and a text
// that reads as a number: `value` becomes what ConvertValueForColumn makes
// of Value(text), without the text value, and the result is true; a number
// beyond the column's range throws DbError as ConvertValueForColumn does.
// False, with `value` untouched, for any other column or text.
bool ConvertNumberTextForColumn(const ColumnInfo& column, std::string_view text,
                                Value& value);

// The same, with the cases of every import settled without a call: text into
// a text column it fits byte for byte (so character for character),
// a whole number into a whole-number column whose range holds it or into a
// yes/no column.
inline void ConvertForColumn(const ColumnInfo& column, Value& value) {
  if (column.type == ColumnType::kText && value.kind() == Value::Kind::kText &&
      value.AsText().size() <= static_cast<size_t>(column.defined_size)) {
    return;
  }
  if (value.kind() == Value::Kind::kInteger) {
    const int64_t number = value.AsInteger();
    if (column.type == ColumnType::kLong ||
        (column.type == ColumnType::kInteger && number >= -32768 && number <= 32767) ||
        (column.type == ColumnType::kByte && number >= 0 && number <= 255)) {
      return;
    }
    if (column.type == ColumnType::kBoolean) {
      value = number != 0;
      return;
    }
  }
  ConvertValueForColumn(column, value);
}

}  // namespace vdimpexp::data
