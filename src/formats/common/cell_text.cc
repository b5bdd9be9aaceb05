#include "formats/common/cell_text.h"

#include <charconv>

namespace vdimpexp::formats {
namespace {

// The widest fixed-point text of a double: 309 whole digits for the
// largest, or "0." and 324 places for the smallest, and the sign.
constexpr size_t kDoubleTextSize = 400;

void AppendDouble(std::string& out, double number) {
  // A negative zero compares equal to zero and is written as one: a signed
  // zero would only puzzle readers.
  if (number == 0) number = 0;
  char text[kDoubleTextSize];
  std::to_chars_result written =
      std::to_chars(text, text + sizeof text, number, std::chars_format::fixed);
  out.append(text, written.ptr);
}

void AppendDigits(std::string& out, int number, int width) {
  char digits[4];
  for (int i = width - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + number % 10);
    number /= 10;
  }
  out.append(digits, static_cast<size_t>(width));
}

void AppendDate(std::string& out, const data::Date& date) {
  AppendDigits(out, date.year, 4);
  out += '-';
  AppendDigits(out, date.month, 2);
  out += '-';
  AppendDigits(out, date.day, 2);
  out += ' ';
  AppendDigits(out, date.hour, 2);
  out += ':';
  AppendDigits(out, date.minute, 2);
  out += ':';
  AppendDigits(out, date.second, 2);
}

}  // namespace

void AppendCellText(std::string& out, const data::Value& value) {
  switch (value.kind()) {
    case data::Value::Kind::kNull:
      return;
    case data::Value::Kind::kDate:
      AppendDate(out, value.AsDate());
      return;
    case data::Value::Kind::kText:
      out += value.AsText();
      return;
    case data::Value::Kind::kDouble:
      AppendDouble(out, value.AsDouble());
      return;
    case data::Value::Kind::kBoolean:
    case data::Value::Kind::kInteger:
      // The data layer's own text of these kinds is already invariant.
      out += value.ToText();
      return;
  }
}

}  // namespace vdimpexp::formats
