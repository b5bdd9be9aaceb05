// What a column is, as the host schema declares it: the declared type text
// ("TEXT(40)", "INTEGER", "DATETIME", "DECIMAL(10,2)", ...) mapped onto the
// Jet column types callers and file writers reason about.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vdimpexp::data {

enum class ColumnType {
  kText,      // TEXT(n), VARCHAR(n), CHAR(n): DefinedSize n (255 when unsized)
  kMemo,      // LONGTEXT, MEMO: long text
  kBoolean,   // BIT, YESNO, LOGICAL, BOOLEAN
  kByte,      // BYTE, TINYINT
  kInteger,   // SMALLINT, SHORT: 16 bits
  kLong,      // INTEGER, INT, LONG, COUNTER, AUTOINCREMENT: 32 bits and up
  kSingle,    // SINGLE, FLOAT4
  kDouble,    // DOUBLE, REAL, FLOAT
  kCurrency,  // CURRENCY, MONEY
  kDecimal,   // DECIMAL(p,s), NUMERIC(p,s)
  kDate,      // DATETIME, DATE, TIME, TIMESTAMP
  kVariant,   // no declared type (an expression): the stored value decides
};

// What a column's values hold over a whole selection, measured before a
// writer lays out its fields (see TableWriter::NeedsMeasuredColumns).
struct ValueShape {
  int64_t longest_text = 0;  // characters of the longest value as text
  // Numbers in fixed notation to 15 significant digits: the most digits in
  // front of the point, the most places after it, and whether one is below
  // zero.
  int integer_digits = 0;
  int decimals = 0;
  bool negative = false;
  // The least and greatest whole numbers (0 when there are none), and
  // whether one lies beyond 64 bits, kept as a double.
  int64_t least_whole = 0;
  int64_t greatest_whole = 0;
  bool whole_beyond_64_bits = false;
};

struct ColumnInfo {
  std::string name;
  ColumnType type = ColumnType::kVariant;
  // Maximum length in characters for text, the storage size in bytes else.
  int32_t defined_size = 0;
  int precision = 0;  // kDecimal digits
  int scale = 0;      // kDecimal digits after the point
  // False only where the table declares the column NOT NULL. A column seen
  // through an outer join may still come back null; readers of this flag
  // treat it as what the schema promises, not as what every row holds.
  bool nullable = true;
  // Set only for writers that ask for it.
  std::optional<ValueShape> measured;
};

// Byte, Integer and Long: the types that hold whole numbers alone.
bool IsWholeNumberType(ColumnType type);

// Maps a declared type (case-insensitive, SQLite's free form) to a column.
ColumnInfo DescribeColumn(std::string name, std::string_view declared_type);

// The declared type text that recreates the column in another table.
std::string DeclaredTypeOf(const ColumnInfo& column);

}  // namespace vdimpexp::data
