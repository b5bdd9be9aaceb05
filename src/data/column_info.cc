#include "data/column_info.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vdimpexp::data {
namespace {

constexpr int32_t kDefaultTextSize = 255;
// Long text reports the size the host's own platform reports for a memo.
constexpr int32_t kMemoSize = 536870910;

struct TypeName {
  std::string_view name;
  ColumnType type;
};

constexpr TypeName kTypeNames[] = {
    {"TEXT", ColumnType::kText},       {"VARCHAR", ColumnType::kText},
    {"CHAR", ColumnType::kText},       {"CHARACTER", ColumnType::kText},
    {"NVARCHAR", ColumnType::kText},   {"NCHAR", ColumnType::kText},
    {"STRING", ColumnType::kText},     {"LONGTEXT", ColumnType::kMemo},
    {"MEMO", ColumnType::kMemo},       {"NOTE", ColumnType::kMemo},
    {"CLOB", ColumnType::kMemo},       {"BIT", ColumnType::kBoolean},
    {"YESNO", ColumnType::kBoolean},   {"LOGICAL", ColumnType::kBoolean},
    {"BOOLEAN", ColumnType::kBoolean}, {"BYTE", ColumnType::kByte},
    {"TINYINT", ColumnType::kByte},    {"SMALLINT", ColumnType::kInteger},
    {"SHORT", ColumnType::kInteger},   {"INTEGER2", ColumnType::kInteger},
    {"INTEGER", ColumnType::kLong},    {"INT", ColumnType::kLong},
    {"LONG", ColumnType::kLong},       {"BIGINT", ColumnType::kLong},
    {"COUNTER", ColumnType::kLong},    {"AUTOINCREMENT", ColumnType::kLong},
    {"INTEGER4", ColumnType::kLong},   {"SINGLE", ColumnType::kSingle},
    {"FLOAT4", ColumnType::kSingle},   {"DOUBLE", ColumnType::kDouble},
    {"REAL", ColumnType::kDouble},     {"FLOAT", ColumnType::kDouble},
    {"FLOAT8", ColumnType::kDouble},   {"CURRENCY", ColumnType::kCurrency},
    {"MONEY", ColumnType::kCurrency},  {"DECIMAL", ColumnType::kDecimal},
    {"NUMERIC", ColumnType::kDecimal}, {"DATETIME", ColumnType::kDate},
    {"DATE", ColumnType::kDate},       {"TIME", ColumnType::kDate},
    {"TIMESTAMP", ColumnType::kDate},
};

std::string UpperWord(std::string_view text, size_t& pos) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  std::string word;
  while (pos < text.size() &&
         (std::isalnum(static_cast<unsigned char>(text[pos])) || text[pos] == '_')) {
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos++])));
  }
  return word;
}

// Reads "(n)" or "(n, m)"; absent parts stay 0.
void ReadSizes(std::string_view text, size_t pos, int& first, int& second) {
  pos = text.find('(', pos);
  if (pos == std::string_view::npos) return;
  std::sscanf(std::string(text.substr(pos)).c_str(), "(%d , %d", &first, &second);
}

int32_t StorageSize(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
      return 1;
    case ColumnType::kBoolean:
    case ColumnType::kInteger:
      return 2;
    case ColumnType::kLong:
    case ColumnType::kSingle:
      return 4;
    case ColumnType::kDecimal:
      return 16;
    case ColumnType::kDouble:
    case ColumnType::kCurrency:
    case ColumnType::kDate:
    case ColumnType::kVariant:
      return 8;
    case ColumnType::kText:
      return kDefaultTextSize;
    case ColumnType::kMemo:
      return kMemoSize;
  }
  return 8;
}

}  // namespace

bool IsWholeNumberType(ColumnType type) {
  return type == ColumnType::kByte || type == ColumnType::kInteger ||
         type == ColumnType::kLong;
}

ColumnInfo DescribeColumn(std::string name, std::string_view declared_type) {
  ColumnInfo column;
  column.name = std::move(name);
  size_t pos = 0;
  std::string word = UpperWord(declared_type, pos);
  auto known = std::find_if(std::begin(kTypeNames), std::end(kTypeNames),
                            [&](const TypeName& t) { return t.name == word; });
  if (known == std::end(kTypeNames)) return column;  // kVariant
  column.type = known->type;
  column.defined_size = StorageSize(column.type);
  int first = 0, second = 0;
  ReadSizes(declared_type, pos, first, second);
  if (column.type == ColumnType::kText && first > 0) column.defined_size = first;
  if (column.type == ColumnType::kDecimal) {
    column.precision = first > 0 ? first : 18;
    column.scale = second;
  }
  return column;
}

std::string DeclaredTypeOf(const ColumnInfo& column) {
  switch (column.type) {
    case ColumnType::kText:
      return "TEXT(" + std::to_string(column.defined_size) + ")";
    case ColumnType::kMemo:
      return "LONGTEXT";
    case ColumnType::kBoolean:
      return "BIT";
    case ColumnType::kByte:
      return "BYTE";
    case ColumnType::kInteger:
      return "SMALLINT";
    case ColumnType::kLong:
      return "INTEGER";
    case ColumnType::kSingle:
      return "SINGLE";
    case ColumnType::kDouble:
      return "DOUBLE";
    case ColumnType::kCurrency:
      return "CURRENCY";
    case ColumnType::kDecimal:
      return "DECIMAL(" + std::to_string(column.precision) + "," +
             std::to_string(column.scale) + ")";
    case ColumnType::kDate:
      return "DATETIME";
    case ColumnType::kVariant:
      return "";
  }
  return "";
}

}  // namespace vdimpexp::data
