// schema.ini, the format file the text driver reads beside delimited files:
// one section per file, named after it, saying how the file is laid out and
// what type each column has. Sections of other files in the same folder
// belong to other exports (or to the user) and are kept as they are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "data/column_info.h"
#include "data/value.h"

namespace vdimpexp::formats {

// A column of a text file as the text driver should read it back. Starts
// from the declared type and watches every value written, because the host
// database does not hold its columns to their declared types: text longer
// than its declared size, numbers beyond the declared range, infinities
// (which no number type reads), or values of another kind altogether (and
// columns with no declared type) would otherwise be announced with a type
// that cannot read them.
class TextColumnProfile {
 public:
  explicit TextColumnProfile(data::ColumnInfo column) : column_(std::move(column)) {}

  void Observe(const data::Value& value);

  const std::string& Name() const { return column_.name; }
  // "Char Width 40", "Memo", "Bit", "Byte", "Short", "Long", "Currency",
  // "Single", "Double", "DateTime" or "Decimal".
  std::string JetType() const;

 private:
  bool OnlySeen(std::initializer_list<data::Value::Kind> kinds) const;
  std::string IntegerType() const;
  std::string TextType(int64_t width) const;

  data::ColumnInfo column_;
  unsigned kinds_seen_ = 0;  // one bit per Value::Kind, nulls left out
  int64_t smallest_integer_ = 0;
  int64_t largest_integer_ = 0;
  double largest_magnitude_ = 0;  // of every number, whole or not
  int64_t longest_text_ = 0;      // in characters
};

// The section describing the comma-delimited file `file_name` (header row,
// UTF-8, the dates of cell_text.h), CRLF line ends. Throws data::DbError
// for a file or column name the format cannot hold.
std::string SchemaIniSection(std::string_view file_name,
                             std::span<const TextColumnProfile> columns);

// `ini` with its section `name` (compared without regard to ASCII case)
// replaced by `section`, in the place of the first such section; further
// sections of that name are dropped. Without one, `section` is appended.
// Every other byte of `ini` is kept.
std::string ReplaceIniSection(std::string_view ini, std::string_view name,
                              std::string_view section);

// Puts `section` in place of section `name` of `folder`/schema.ini (or in a
// new schema.ini). The file is replaced whole by a rename, so it is either
// the old one or the new one, never half written. Throws data::DbError.
void UpdateSchemaIni(const std::filesystem::path& folder, std::string_view name,
                     std::string_view section);

}  // namespace vdimpexp::formats
