#include "data/sqlite_values.h"

#include <cmath>
#include <string>

namespace vdimpexp::data {
namespace {

std::string ColumnText(sqlite3_stmt* statement, int index) {
  const unsigned char* text = sqlite3_column_text(statement, index);
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(statement, index)));
}

Value ReadAsStored(sqlite3_stmt* statement, int index, int storage) {
  switch (storage) {
    case SQLITE_INTEGER:
      return static_cast<int64_t>(sqlite3_column_int64(statement, index));
    case SQLITE_FLOAT:
      return sqlite3_column_double(statement, index);
    case SQLITE_NULL:
      return {};
    default:
      return ColumnText(statement, index);
  }
}

// True when result column `index` comes straight from a table column
// declared NOT NULL; an expression has no such promise.
bool DeclaredNotNull(sqlite3_stmt* statement, int index) {
  const char* database = sqlite3_column_database_name(statement, index);
  const char* table = sqlite3_column_table_name(statement, index);
  const char* column = sqlite3_column_origin_name(statement, index);
  if (database == nullptr || table == nullptr || column == nullptr) return false;
  int not_null = 0;
  int found =
      sqlite3_table_column_metadata(sqlite3_db_handle(statement), database, table, column,
                                    nullptr, nullptr, &not_null, nullptr, nullptr);
  return found == SQLITE_OK && not_null != 0;
}

}  // namespace

std::optional<int64_t> WholeNumberOf(double stored) {
  // SQLite stores what it is given: a whole-number column may hold a
  // fraction, or a number beyond 64 bits.
  const double rounded = std::nearbyint(stored);
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (rounded >= -kTwoTo63 && rounded < kTwoTo63) return static_cast<int64_t>(rounded);
  return std::nullopt;
}

Value ReadColumn(sqlite3_stmt* statement, int index, const ColumnInfo& column) {
  int storage = sqlite3_column_type(statement, index);
  if (storage == SQLITE_NULL) return {};
  switch (column.type) {
    case ColumnType::kText:
    case ColumnType::kMemo:
      return ColumnText(statement, index);
    case ColumnType::kBoolean:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
        return sqlite3_column_double(statement, index) != 0;
      }
      break;
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      if (storage == SQLITE_INTEGER) {
        return static_cast<int64_t>(sqlite3_column_int64(statement, index));
      }
      if (storage == SQLITE_FLOAT) {
        if (auto whole = WholeNumberOf(sqlite3_column_double(statement, index))) {
          return *whole;
        }
      }
      break;
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kCurrency:
    case ColumnType::kDecimal:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
        return sqlite3_column_double(statement, index);
      }
      break;
    case ColumnType::kDate:
      if (storage == SQLITE_TEXT) {
        std::string text = ColumnText(statement, index);
        if (auto date = Date::Parse(text)) return *date;
        return text;
      }
      break;
    case ColumnType::kVariant:
      break;
  }
  return ReadAsStored(statement, index, storage);
}

int BindValue(sqlite3_stmt* statement, int index, const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kNull:
      return sqlite3_bind_null(statement, index);
    case Value::Kind::kBoolean:
      return sqlite3_bind_int(statement, index, value.AsBoolean() ? 1 : 0);
    case Value::Kind::kInteger:
      return sqlite3_bind_int64(statement, index, value.AsInteger());
    case Value::Kind::kDouble:
      return sqlite3_bind_double(statement, index, value.AsDouble());
    case Value::Kind::kDate: {
      std::string iso = value.AsDate().ToIso();
      return sqlite3_bind_text(statement, index, iso.data(), static_cast<int>(iso.size()),
                               SQLITE_TRANSIENT);
    }
    case Value::Kind::kText: {
      // The value outlives the step that uses the binding.
      const std::string& text = value.AsText();
      return sqlite3_bind_text(statement, index, text.data(),
                               static_cast<int>(text.size()), SQLITE_STATIC);
    }
  }
  return SQLITE_MISUSE;
}

std::vector<ColumnInfo> DescribeResultColumns(sqlite3_stmt* statement) {
  std::vector<ColumnInfo> columns;
  int count = sqlite3_column_count(statement);
  columns.reserve(count);
  for (int i = 0; i < count; ++i) {
    const char* declared = sqlite3_column_decltype(statement, i);
    columns.push_back(
        DescribeColumn(sqlite3_column_name(statement, i), declared ? declared : ""));
    columns.back().nullable = !DeclaredNotNull(statement, i);
  }
  return columns;
}

}  // namespace vdimpexp::data
