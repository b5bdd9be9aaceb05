#include "data/value_shape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace vdimpexp::data {
namespace {

constexpr int kSignificantDigits = 15;
// Room for a floating-point number as the writers render it as text: sign,
// 17 digits, point and exponent.
constexpr int kRenderedRealLength = 24;
constexpr const char* kNumberShapeFunction = "vd_number_shape";

// The aggregate that measures a column of numbers: the shape, packed into
// one integer as (integer digits << 16) | (decimals << 1) | negative.
void NumberShapeStep(sqlite3_context* context, int, sqlite3_value** argument) {
  auto* shape =
      static_cast<ValueShape*>(sqlite3_aggregate_context(context, sizeof(ValueShape)));
  if (shape == nullptr) return sqlite3_result_error_nomem(context);
  switch (sqlite3_value_type(argument[0])) {
    case SQLITE_INTEGER:
      return WidenForNumber(*shape,
                            static_cast<int64_t>(sqlite3_value_int64(argument[0])));
    case SQLITE_FLOAT:
      return WidenForNumber(*shape, sqlite3_value_double(argument[0]));
    default:
      return;  // text in a number column is refused when it is written
  }
}

void NumberShapeFinal(sqlite3_context* context) {
  auto* shape = static_cast<ValueShape*>(sqlite3_aggregate_context(context, 0));
  if (shape == nullptr) return sqlite3_result_int64(context, 0);
  sqlite3_result_int64(context, int64_t{shape->integer_digits} << 16 |
                                    int64_t{shape->decimals} << 1 | shape->negative);
}

// Columns of numbers are measured for their digits, the others for their
// longest text; dates and yes/no values have one width whatever they hold.
bool HoldsNumbers(ColumnType type) {
  switch (type) {
    case ColumnType::kText:
    case ColumnType::kMemo:
    case ColumnType::kVariant:
    case ColumnType::kDate:
    case ColumnType::kBoolean:
      return false;
    default:
      return true;
  }
}

// The SQL that measures column `name` of type `type`.
std::string MeasureOf(const std::string& name, ColumnType type) {
  if (HoldsNumbers(type)) return std::string(kNumberShapeFunction) + "(" + name + ")";
  switch (type) {
    case ColumnType::kText:
    case ColumnType::kMemo:
      // A text column reads every value as SQLite's text of it.
      return "max(length(" + name + "))";
    case ColumnType::kVariant:
      // Numbers stay numbers there, and are written in the writers' own form.
      return "max(CASE typeof(" + name + ") WHEN 'real' THEN " +
             std::to_string(kRenderedRealLength) + " ELSE length(" + name + ") END)";
    default:
      return "NULL";
  }
}

}  // namespace

void WidenForNumber(ValueShape& shape, double number) {
  if (!std::isfinite(number)) return;
  constexpr double kWholeNumbersExact = 1e15;
  if (number == std::trunc(number) && std::fabs(number) < kWholeNumbersExact) {
    return WidenForNumber(shape, static_cast<int64_t>(number));
  }
  shape.negative = shape.negative || number < 0;
  // "d.ddde+XX": the digits a reader needs, and where the point goes. The
  // shortest form that reads back is exact when it is short enough; a
  // longer one is rounded to the significant digits a reader keeps.
  char digits[32];
  std::to_chars_result written = std::to_chars(
      digits, digits + sizeof digits, std::fabs(number), std::chars_format::scientific);
  if (std::find(digits, written.ptr, 'e') - digits > kSignificantDigits + 1) {
    written = std::to_chars(digits, digits + sizeof digits, std::fabs(number),
                            std::chars_format::scientific, kSignificantDigits - 1);
  }
  const char* exponent_mark = std::find(digits, written.ptr, 'e');
  int exponent = 0;
  std::from_chars(exponent_mark + (exponent_mark[1] == '+' ? 2 : 1), written.ptr,
                  exponent);
  // The digits, less the point and the zeros that end them.
  const char* last = exponent_mark - 1;
  while (last > digits && (*last == '0' || *last == '.')) --last;
  const int significant = static_cast<int>(last - digits) + (last > digits ? 0 : 1);
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

void MeasureResultColumns(Session& session, std::string_view select_sql,
                          std::span<ColumnInfo> columns) {
  if (columns.empty()) return;
  int rc = sqlite3_create_function_v2(
      session.db(), kNumberShapeFunction, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
      nullptr, NumberShapeStep, NumberShapeFinal, nullptr);
  if (rc != SQLITE_OK) throw session.Error(rc, "measuring the export's columns");
  // Named by position: result columns may share a name, or have none.
  std::string names, measures;
  for (size_t i = 0; i < columns.size(); ++i) {
    const std::string name = "c" + std::to_string(i);
    names += (i ? "," : "") + name;
    measures += (i ? "," : "") + MeasureOf(name, columns[i].type);
  }
  const std::string sql = "WITH vd_measured(" + names + ") AS (" +
                          std::string(select_sql) + ") SELECT " + measures +
                          " FROM vd_measured";
  StatementLease measure = session.Prepare(sql);
  rc = sqlite3_step(measure.get());
  if (rc != SQLITE_ROW) throw session.Error(rc, select_sql);
  for (size_t i = 0; i < columns.size(); ++i) {
    const int at = static_cast<int>(i);
    ValueShape shape;
    if (HoldsNumbers(columns[i].type)) {
      const int64_t packed = sqlite3_column_int64(measure.get(), at);
      shape = {.integer_digits = static_cast<int>(packed >> 16),
               .decimals = static_cast<int>(packed >> 1 & 0x7FFF),
               .negative = (packed & 1) != 0};
    } else {
      shape.longest_text = sqlite3_column_int64(measure.get(), at);
    }
    columns[i].measured = shape;
  }
}

}  // namespace vdimpexp::data
