#include "data/value_shape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "data/utf8.h"
#include "data/value.h"

namespace vdimpexp::data {
namespace {

constexpr int kSignificantDigits = 15;

int64_t TextLength(sqlite3_stmt* statement, int index) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
  return static_cast<int64_t>(CharacterCount(
      {text, static_cast<size_t>(sqlite3_column_bytes(statement, index))}));
}

// How long the value reads as text where the column's own type gives no
// text: as the writers render it, which for numbers is not SQLite's form.
int64_t RenderedLength(sqlite3_stmt* statement, int index, int storage) {
  switch (storage) {
    case SQLITE_INTEGER:
      return static_cast<int64_t>(
          Value(static_cast<int64_t>(sqlite3_column_int64(statement, index)))
              .ToText()
              .size());
    case SQLITE_FLOAT:
      return static_cast<int64_t>(
          Value(sqlite3_column_double(statement, index)).ToText().size());
    default:
      return TextLength(statement, index);
  }
}

bool IsTextColumn(ColumnType type) {
  return type == ColumnType::kText || type == ColumnType::kMemo;
}

void Measure(sqlite3_stmt* statement, int index, const ColumnInfo& column,
             ValueShape& shape) {
  const int storage = sqlite3_column_type(statement, index);
  if (storage == SQLITE_NULL || storage == SQLITE_BLOB) return;
  // A text column reads every value as text (ReadColumn); a column without
  // a type keeps numbers as numbers, to be written as text. Only these two
  // become text fields, so only their lengths are wanted.
  if (IsTextColumn(column.type)) {
    shape.longest_text = std::max(shape.longest_text, TextLength(statement, index));
  } else if (column.type == ColumnType::kVariant) {
    shape.longest_text =
        std::max(shape.longest_text, RenderedLength(statement, index, storage));
  }
  if (storage == SQLITE_INTEGER) {
    WidenForNumber(shape, static_cast<int64_t>(sqlite3_column_int64(statement, index)));
  } else if (storage == SQLITE_FLOAT) {
    WidenForNumber(shape, sqlite3_column_double(statement, index));
  }
}

}  // namespace

void WidenForNumber(ValueShape& shape, double number) {
  if (!std::isfinite(number)) return;
  shape.negative = shape.negative || number < 0;
  // "d.ddddddddddddddde+XX": the digits a reader needs, and where the point goes.
  char digits[32];
  const std::to_chars_result written =
      std::to_chars(digits, digits + sizeof digits, std::fabs(number),
                    std::chars_format::scientific, kSignificantDigits - 1);
  const char* exponent_mark = std::find(digits, written.ptr, 'e');
  int exponent = 0;
  std::from_chars(exponent_mark + (exponent_mark[1] == '+' ? 2 : 1), written.ptr,
                  exponent);
  int significant = kSignificantDigits;
  for (const char* at = exponent_mark - 1; significant > 1 && *at == '0'; --at) {
    --significant;
  }
  if (number == 0) exponent = 0;
  shape.integer_digits = std::max(shape.integer_digits, exponent >= 0 ? exponent + 1 : 1);
  shape.decimals = std::max(shape.decimals, significant - 1 - exponent);
}

void WidenForNumber(ValueShape& shape, int64_t number) {
  shape.negative = shape.negative || number < 0;
  char digits[24];
  const std::to_chars_result written =
      std::to_chars(digits, digits + sizeof digits, number);
  const int length = static_cast<int>(written.ptr - digits) - (number < 0 ? 1 : 0);
  shape.integer_digits = std::max(shape.integer_digits, length);
}

void MeasureResultColumns(sqlite3_stmt* statement, std::span<ColumnInfo> columns) {
  std::vector<ValueShape> shapes(columns.size());
  while (sqlite3_step(statement) == SQLITE_ROW) {
    for (size_t i = 0; i < columns.size(); ++i) {
      Measure(statement, static_cast<int>(i), columns[i], shapes[i]);
    }
  }
  // A failed step shows again, with its message, when the rows are read.
  sqlite3_reset(statement);
  for (size_t i = 0; i < columns.size(); ++i) columns[i].measured = shapes[i];
}

}  // namespace vdimpexp::data
