#include "data/value_shape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "data/sqlite_values.h"
#include "data/utf8.h"
#include "data/value.h"

namespace vdimpexp::data {
namespace {

constexpr int kSignificantDigits = 15;
// SQLite's limit on a function's arguments is 127; two are the
// measurement and the first column's place.
constexpr size_t kColumnsPerCall = 100;
constexpr const char* kMeasureFunction = "vd_measure";
constexpr const char* kMeasurementType = "vd_measurement";

// Dates and yes/no values have one width whatever they hold.
bool HasFixedWidth(ColumnType type) {
  return type == ColumnType::kDate || type == ColumnType::kBoolean;
}

// Widens `shape` for one value of a column of `type`.
void Measure(sqlite3_value* value, ColumnType type, ValueShape& shape) {
  const int storage = sqlite3_value_type(value);
  if (storage == SQLITE_NULL || storage == SQLITE_BLOB) return;
  const bool text_column = type == ColumnType::kText || type == ColumnType::kMemo;
  if (!text_column && type != ColumnType::kVariant) {
    // Only the digits of a number column matter, as the column reads them.
    if (storage == SQLITE_INTEGER) {
      WidenForNumber(shape, static_cast<int64_t>(sqlite3_value_int64(value)));
    } else if (storage == SQLITE_FLOAT) {
      const double number = sqlite3_value_double(value);
      const std::optional<int64_t> whole =
          IsWholeNumberType(type) ? WholeNumberOf(number) : std::nullopt;
      whole ? WidenForNumber(shape, *whole) : WidenForNumber(shape, number);
    }
    return;
  }
  int64_t length = 0;
  if (text_column || storage == SQLITE_TEXT) {
    // A text column reads every value as SQLite's text of it. A value no
    // longer in bytes than the longest so far is no longer in characters.
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const auto bytes = static_cast<size_t>(sqlite3_value_bytes(value));
    if (static_cast<int64_t>(bytes) <= shape.longest_text) return;
    length = static_cast<int64_t>(CharacterCount({text, bytes}));
  } else {
    // A number stays a number there, and is written in the writers' form.
    length = static_cast<int64_t>(
        (storage == SQLITE_INTEGER
             ? Value(static_cast<int64_t>(sqlite3_value_int64(value)))
             : Value(sqlite3_value_double(value)))
            .ToText()
            .size());
  }
  shape.longest_text = std::max(shape.longest_text, length);
}

// The columns one measuring pass looks at, and what it found so far.
struct Measurement {
  std::span<ColumnInfo> columns;
  std::vector<size_t> measured;  // the places of the columns measured
  std::vector<ValueShape> shapes;
};

// vd_measure(measurement, first, value...): widens the shapes of the
// measured columns from place `first` on by one row's values. All of a row
// in one call keeps the pass cheap: one call per row instead of one per
// value. The measurement is bound as a pointer, which SQL cannot forge.
void MeasureStep(sqlite3_context* context, int count, sqlite3_value** arguments) {
  auto* measurement =
      static_cast<Measurement*>(sqlite3_value_pointer(arguments[0], kMeasurementType));
  if (!measurement) {
    sqlite3_result_error(context, "vd_measure runs only in a column measurement", -1);
    return;
  }
  const auto first = static_cast<size_t>(sqlite3_value_int64(arguments[1]));
  for (int k = 2; k < count; ++k) {
    const size_t place = first + static_cast<size_t>(k - 2);
    Measure(arguments[k], measurement->columns[measurement->measured[place]].type,
            measurement->shapes[place]);
  }
}

void MeasureFinal(sqlite3_context* context) { sqlite3_result_null(context); }

}  // namespace

void WidenForNumber(ValueShape& shape, double number) {
  if (!std::isfinite(number)) return;
  if (number == std::trunc(number)) {
    // A whole double within 64 bits is the whole number it stands for.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (number >= -kTwoTo63 && number < kTwoTo63) {
      return WidenForNumber(shape, static_cast<int64_t>(number));
    }
    shape.whole_beyond_64_bits = true;
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
  shape.least_whole = std::min(shape.least_whole, number);
  shape.greatest_whole = std::max(shape.greatest_whole, number);
  char digits[24];
  const std::to_chars_result written =
      std::to_chars(digits, digits + sizeof digits, number);
  const int length = static_cast<int>(written.ptr - digits) - (number < 0 ? 1 : 0);
  shape.integer_digits = std::max(shape.integer_digits, length);
}

void RegisterMeasureFunction(sqlite3* db) {
  sqlite3_create_function_v2(db, kMeasureFunction, -1, SQLITE_UTF8, nullptr, nullptr,
                             MeasureStep, MeasureFinal, nullptr);
}

int64_t ReadyColumnsForWriter(Session& session, std::string_view select_sql,
                              const TableWriter& writer, std::span<ColumnInfo> columns,
                              const WriteProgress* progress) {
  Measurement measurement{.columns = columns};
  if (writer.NeedsMeasuredColumns()) {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (!HasFixedWidth(columns[i].type)) measurement.measured.push_back(i);
      columns[i].measured = ValueShape{};
    }
  }
  const bool wants_count = progress && progress->WantsRowCount();
  if (measurement.measured.empty() && !wants_count) return 0;
  measurement.shapes.resize(measurement.measured.size());
  // Named by position: result columns may share a name, or have none. The
  // rows are counted on the way, which costs the pass next to nothing.
  std::string names, calls = "count(*)";
  for (size_t i = 0; i < columns.size(); ++i) {
    names += (i ? ",c" : "c") + std::to_string(i);
  }
  for (size_t place = 0; place < measurement.measured.size(); ++place) {
    if (place % kColumnsPerCall == 0) {
      calls += std::string(place ? "), " : ", ") + kMeasureFunction + "(?1, " +
               std::to_string(place);
    }
    calls += ",c" + std::to_string(measurement.measured[place]);
  }
  if (!measurement.measured.empty()) calls += ")";
  const std::string sql = "WITH vd_measured(" + names + ") AS (" +
                          std::string(select_sql) + ") SELECT " + calls +
                          " FROM vd_measured";
  int64_t rows = 0;
  {
    StatementLease measure = session.Prepare(sql);
    sqlite3_bind_pointer(measure.get(), 1, &measurement, kMeasurementType, nullptr);
    const int rc = sqlite3_step(measure.get());
    sqlite3_clear_bindings(measure.get());
    if (rc != SQLITE_ROW) throw session.Error(rc, select_sql);
    rows = sqlite3_column_int64(measure.get(), 0);
  }
  for (size_t place = 0; place < measurement.measured.size(); ++place) {
    columns[measurement.measured[place]].measured = measurement.shapes[place];
  }
  return rows;
}

}  // namespace vdimpexp::data
