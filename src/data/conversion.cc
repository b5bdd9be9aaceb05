#include "data/conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "data/db_error.h"
#include "data/text.h"
#include "data/utf8.h"

namespace vdimpexp::data {
namespace {

[[noreturn]] void ThrowMismatch(const ColumnInfo& column, const Value& value,
                                std::string_view why) {
  std::string shown = value.ToText();
  throw DbError(error_number::kTypeMismatch, "Data type mismatch: cannot store '" +
                                                 shown + "' in column '" + column.name +
                                                 "' (" + std::string(why) + ")");
}

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double number = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) {
    return std::nullopt;
  }
  return number;
}

std::optional<bool> ParseBoolean(std::string_view text) {
  text = TrimBlanks(text);
  auto is = [&](std::string_view word) { return EqualsIgnoringCase(text, word); };
  if (is("true") || is("yes") || is("on")) return true;
  if (is("false") || is("no") || is("off")) return false;
  if (auto number = ParseNumber(text)) return *number != 0;
  return std::nullopt;
}

// The value as a number, or nullopt when it has none (dates, non-numeric
// text). Booleans count as the platform counts them: True is -1.
std::optional<double> AsNumber(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kBoolean:
      return value.AsBoolean() ? -1.0 : 0.0;
    case Value::Kind::kInteger:
      return static_cast<double>(value.AsInteger());
    case Value::Kind::kDouble:
      return value.AsDouble();
    case Value::Kind::kText:
      return ParseNumber(value.AsText());
    default:
      return std::nullopt;
  }
}

struct Range {
  double low, high;
};

Range WholeNumberRange(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
      return {0, 255};
    case ColumnType::kInteger:
      return {-32768, 32767};
    default:
      return {static_cast<double>(std::numeric_limits<int64_t>::min()),
              static_cast<double>(std::numeric_limits<int64_t>::max())};
  }
}

Value ToWholeNumber(const ColumnInfo& column, const Value& value) {
  if (value.kind() == Value::Kind::kInteger && column.type == ColumnType::kLong) {
    return value;
  }
  std::optional<double> number = AsNumber(value);
  if (!number) ThrowMismatch(column, value, "not a number");
  double rounded = std::nearbyint(*number);  // halves to even
  Range range = WholeNumberRange(column.type);
  if (rounded < range.low || rounded > range.high) {
    ThrowMismatch(column, value, "out of the column's range");
  }
  return static_cast<int64_t>(rounded);
}

double RoundToDecimals(double number, int decimals) {
  double scale = std::pow(10.0, decimals);
  return std::nearbyint(number * scale) / scale;
}

Value ToFloatingNumber(const ColumnInfo& column, const Value& value) {
  std::optional<double> number = AsNumber(value);
  if (!number) ThrowMismatch(column, value, "not a number");
  if (column.type == ColumnType::kCurrency) return RoundToDecimals(*number, 4);
  if (column.type == ColumnType::kDecimal) return RoundToDecimals(*number, column.scale);
  if (column.type == ColumnType::kSingle) {
    return static_cast<double>(static_cast<float>(*number));
  }
  return *number;
}

void CheckTextLength(const ColumnInfo& column, const std::string& text) {
  if (text.size() <= static_cast<size_t>(column.defined_size))
    return;  // bytes >= characters
  size_t length = CharacterCount(text);
  if (length > static_cast<size_t>(column.defined_size)) {
    throw DbError(error_number::kTextTooLong,
                  "The field is too small to accept the amount of data you attempted to "
                  "add: " +
                      std::to_string(length) + " characters for column '" + column.name +
                      "' of " + std::to_string(column.defined_size));
  }
}

Value ToText(const ColumnInfo& column, Value value) {
  Value text =
      value.kind() == Value::Kind::kText ? std::move(value) : Value(value.ToText());
  if (column.type == ColumnType::kText) CheckTextLength(column, text.AsText());
  return text;
}

Value ToBoolean(const ColumnInfo& column, const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kBoolean:
      return value;
    case Value::Kind::kInteger:
      return value.AsInteger() != 0;
    case Value::Kind::kDouble:
      return value.AsDouble() != 0;
    case Value::Kind::kText:
      if (auto flag = ParseBoolean(value.AsText())) return *flag;
      break;
    default:
      break;
  }
  ThrowMismatch(column, value, "not a yes/no value");
}

Value ToDate(const ColumnInfo& column, const Value& value) {
  if (value.kind() == Value::Kind::kDate) return value;
  if (value.kind() == Value::Kind::kText) {
    if (auto date = Date::Parse(value.AsText())) return *date;
  }
  ThrowMismatch(column, value, "not a date");
}

}  // namespace

bool ConvertNumberTextForColumn(const ColumnInfo& column, std::string_view text,
                                Value& value) {
  switch (column.type) {
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kCurrency:
    case ColumnType::kDecimal:
      break;
    default:
      return false;
  }
  const std::optional<double> number = ParseNumber(text);
  if (!number) return false;
  value = ToFloatingNumber(column, Value(*number));
  return true;
}

void ConvertValueForColumn(const ColumnInfo& column, Value& value) {
  if (value.IsNull()) return;
  switch (column.type) {
    case ColumnType::kText:
    case ColumnType::kMemo:
      value = ToText(column, std::move(value));
      return;
    case ColumnType::kBoolean:
      value = ToBoolean(column, value);
      return;
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      value = ToWholeNumber(column, value);
      return;
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kCurrency:
    case ColumnType::kDecimal:
      value = ToFloatingNumber(column, value);
      return;
    case ColumnType::kDate:
      value = ToDate(column, value);
      return;
    case ColumnType::kVariant:
      return;
  }
}

}  // namespace vdimpexp::data
