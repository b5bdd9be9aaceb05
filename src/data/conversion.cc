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

// The number the whole text spells, blanks around it and a leading "+"
// aside; nullopt when it spells none, or one beyond `Number`, which
// `beyond` then tells.
template <typename Number>
std::optional<Number> ParseWhole(std::string_view text, bool* beyond = nullptr) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  Number number{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (end != text.data() + text.size()) return std::nullopt;
  if (beyond) *beyond = ec == std::errc::result_out_of_range;
  if (ec != std::errc()) return std::nullopt;
  return number;
}

std::optional<double> ParseNumber(std::string_view text) {
  std::optional<double> number = ParseWhole<double>(text);
  if (number && !std::isfinite(*number)) return std::nullopt;
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

// The number rounded halves to even, as a whole number; nullopt beyond 64
// bits, and for NaN.
std::optional<int64_t> RoundedToWhole(double number) {
  const double rounded = std::nearbyint(number);
  // 2^63 is a double and INT64_MAX is not, so the upper bound is exclusive.
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (!(rounded >= -kTwoTo63 && rounded < kTwoTo63)) return std::nullopt;
  return static_cast<int64_t>(rounded);
}

bool FitsWholeNumberColumn(ColumnType type, int64_t number) {
  switch (type) {
    case ColumnType::kByte:
      return number >= 0 && number <= 255;
    case ColumnType::kInteger:
      return number >= -32768 && number <= 32767;
    default:
      return true;
  }
}

Value ToWholeNumber(const ColumnInfo& column, const Value& value) {
  std::optional<int64_t> whole;
  if (value.kind() == Value::Kind::kInteger) {
    whole = value.AsInteger();
  } else if (value.kind() == Value::Kind::kText) {
    // As its very digits: through a double, digits past 2^53 would change.
    bool beyond = false;
    whole = ParseWhole<int64_t>(value.AsText(), &beyond);
    if (beyond) ThrowMismatch(column, value, "out of the column's range");
  }
  if (!whole) {
    std::optional<double> number = AsNumber(value);
    if (!number) ThrowMismatch(column, value, "not a number");
    whole = RoundedToWhole(*number);
  }
  if (!whole || !FitsWholeNumberColumn(column.type, *whole)) {
    ThrowMismatch(column, value, "out of the column's range");
  }
  return *whole;
}

double RoundToDecimals(double number, int decimals) {
  double scale = std::pow(10.0, decimals);
  return std::nearbyint(number * scale) / scale;
}

// Whether `column` holds the finite `number` once rounded as it stores
// numbers: Single and Currency to their limits, Decimal to its digits
// before the point (up to half its last place short of the next power of
// ten, the point where rounding would reach it), Double every number.
bool FitsNumberColumn(const ColumnInfo& column, double number) {
  const double magnitude = std::fabs(number);
  switch (column.type) {
    case ColumnType::kSingle:
      return magnitude <= std::numeric_limits<float>::max();
    case ColumnType::kCurrency:
      return magnitude <= 922337203685477.5807;  // a 64-bit count of ten-thousandths
    case ColumnType::kDecimal: {
      const int whole_digits = column.precision - column.scale;
      // Beyond 15 digits a double no longer tells the limit from the values
      // below it.
      if (whole_digits > 15) return true;
      return magnitude <
             std::pow(10.0, whole_digits) - 0.5 * std::pow(10.0, -column.scale);
    }
    default:
      return true;
  }
}

Value ToFloatingNumber(const ColumnInfo& column, const Value& value) {
  std::optional<double> number = AsNumber(value);
  if (!number) ThrowMismatch(column, value, "not a number");
  // Checked before it is rounded or narrowed: a double beyond a float's
  // range has no float value. Infinities stand for themselves.
  if (std::isfinite(*number) && !FitsNumberColumn(column, *number)) {
    ThrowMismatch(column, value, "out of the column's range");
  }
  if (column.type == ColumnType::kCurrency) return RoundToDecimals(*number, 4);
  if (column.type == ColumnType::kDecimal) return RoundToDecimals(*number, column.scale);
  if (column.type == ColumnType::kSingle)
    return static_cast<double>(static_cast<float>(*number));
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
