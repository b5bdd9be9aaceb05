#include "formats/cell_text.h"

namespace vdimpexp::formats {
namespace {

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
    case data::Value::Kind::kBoolean:
    case data::Value::Kind::kInteger:
    case data::Value::Kind::kDouble:
      // The data layer's own text of these kinds is already invariant.
      out += value.ToText();
      return;
  }
}

}  // namespace vdimpexp::formats
