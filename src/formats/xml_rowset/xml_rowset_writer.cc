#include "formats/xml_rowset/xml_rowset_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "data/db_error.h"
#include "data/text.h"
#include "data/utf8.h"

namespace vdimpexp::formats {
namespace {

using data::ColumnType;

// ADO writes these prefixes and the schema id; readers look the rowset
// namespaces up by their URIs.
constexpr std::string_view kRowsetStart =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\n"
    "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
    "\txmlns:rs='urn:schemas-microsoft-com:rowset'\n"
    "\txmlns:z='#RowsetSchema'>\n"
    "<s:Schema id='RowsetSchema'>\n"
    "\t<s:ElementType name='row' content='eltOnly'>\n";
constexpr std::string_view kSchemaEnd =
    "\t\t<s:extends type='rs:rowbase'/>\n"
    "\t</s:ElementType>\n"
    "</s:Schema>\n"
    "<rs:data>\n";
constexpr std::string_view kRowsetEnd = "</rs:data>\n</xml>\n";

// A name or value the format cannot hold; the caller says where it was.
struct Unwritable {
  std::string why;
};

// Appends `text` as the inside of a single-quoted attribute value and
// returns its length in characters. A character XML 1.0 cannot hold, and
// bytes that are no UTF-8, are written as "?" and counted in `replaced`;
// without a counter (for names, which are never changed) they are refused.
size_t AppendAttributeText(std::string& out, std::string_view text,
                           int64_t* replaced = nullptr) {
  size_t pos = 0;
  size_t character = 1;
  for (; pos < text.size(); ++character) {
    const data::Utf8Character decoded = data::DecodeUtf8At(text, pos);
    if (decoded.length == 0) {
      if (!replaced) {
        throw Unwritable{"the text is not valid UTF-8 (character " +
                         std::to_string(character) + ")"};
      }
      out += '?';
      ++*replaced;
      ++pos;
      continue;
    }
    const std::string_view as_written = text.substr(pos, decoded.length);
    pos += decoded.length;
    const char32_t code = decoded.code_point;
    switch (code) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '\'':
        out += "&apos;";
        continue;
      case '"':
        out += "&quot;";
        continue;
    }
    bool xml_character = code >= 0x20 ? code != 0xFFFE && code != 0xFFFF
                                      : code == '\t' || code == '\n' || code == '\r';
    if (!xml_character) {
      if (!replaced) {
        throw Unwritable{"character " + std::to_string(character) + " (" +
                         data::CodePointName(code) +
                         ") cannot be held in an XML 1.0 file"};
      }
      out += '?';
      ++*replaced;
      continue;
    }
    // A reader turns a literal tab or line end inside an attribute into a
    // blank; a reference keeps it. The C1 controls go the same way so that
    // they stay visible.
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
      out += "&#" + std::to_string(static_cast<unsigned>(code)) + ";";
      continue;
    }
    out.append(as_written);
  }
  return character - 1;
}

bool IsNameStart(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

bool IsNameCharacter(char32_t c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7;
}

// Names every XML reader takes as an attribute name as they are: ASCII and
// Latin-1 letters, digits, "_", "-", "." and not starting with a digit. A
// colon would make a namespace prefix, and names beginning with "xml" are
// reserved ("xmlns" would declare a namespace). Anything else is aliased.
bool IsPlainXmlName(std::string_view name) {
  if (name.empty()) return false;
  if (name.size() >= 3 && data::EqualsIgnoringCase(name.substr(0, 3), "xml"))
    return false;
  size_t pos = 0;
  while (pos < name.size()) {
    bool first = pos == 0;
    data::Utf8Character decoded = data::DecodeUtf8At(name, pos);
    if (decoded.length == 0) return false;
    if (!(first ? IsNameStart(decoded.code_point)
                : IsNameCharacter(decoded.code_point))) {
      return false;
    }
    pos += decoded.length;
  }
  return true;
}

// How the schema describes a column: the XML-Data type, ADO's finer
// database type where the XML type alone is ambiguous, and the sizes ADO
// gives the matching Jet types.
struct XmlDataType {
  std::string_view type;
  std::string_view db_type;
  int32_t max_length = 0;
  int precision = 0;
  bool fixed_length = false;
  bool long_data = false;
};

// The range of whole numbers a column of `type` declares, {0, 0} for others.
std::pair<int64_t, int64_t> WholeRange(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
      return {0, 255};
    case ColumnType::kInteger:
      return {INT16_MIN, INT16_MAX};
    case ColumnType::kLong:
      return {INT32_MIN, INT32_MAX};
    default:
      return {0, 0};
  }
}

// A whole-number column holding numbers beyond its declared type (which
// the host's database allows) is declared as eight-byte integers rather
// than failing the export.
bool NeedsEightBytes(const data::ColumnInfo& column) {
  const auto [lowest, highest] = WholeRange(column.type);
  return highest > 0 && column.measured &&
         (column.measured->least_whole < lowest ||
          column.measured->greatest_whole > highest);
}

XmlDataType XmlDataTypeOf(const data::ColumnInfo& column) {
  if (NeedsEightBytes(column)) {
    return {.type = "i8", .max_length = 8, .precision = 19, .fixed_length = true};
  }
  switch (column.type) {
    case ColumnType::kText:
      return {.type = "string", .max_length = column.defined_size};
    case ColumnType::kMemo:
      return {.type = "string", .max_length = column.defined_size, .long_data = true};
    case ColumnType::kVariant:
      // An expression without a declared type may hold anything: it goes
      // as long text, each value in its text form.
      return {.type = "string",
              .max_length = data::DescribeColumn("", "LONGTEXT").defined_size,
              .long_data = true};
    case ColumnType::kBoolean:
      return {.type = "boolean", .max_length = 2, .fixed_length = true};
    case ColumnType::kByte:
      return {.type = "ui1", .max_length = 1, .precision = 3, .fixed_length = true};
    case ColumnType::kInteger:
      return {.type = "i2", .max_length = 2, .precision = 5, .fixed_length = true};
    case ColumnType::kLong:
      return {.type = "int", .max_length = 4, .precision = 10, .fixed_length = true};
    case ColumnType::kSingle:
      return {.type = "r4", .max_length = 4, .precision = 7, .fixed_length = true};
    case ColumnType::kDouble:
      return {.type = "float", .max_length = 8, .precision = 15, .fixed_length = true};
    case ColumnType::kCurrency:
      return {.type = "number",
              .db_type = "currency",
              .max_length = 8,
              .precision = 19,
              .fixed_length = true};
    case ColumnType::kDecimal:
      return {.type = "number",
              .db_type = "numeric",
              .max_length = 19,
              .precision = column.precision,
              .fixed_length = true};
    case ColumnType::kDate:
      return {.type = "dateTime",
              .db_type = "variantdate",
              .max_length = 16,
              .fixed_length = true};
  }
  return {.type = "string"};
}

void AppendDataTypeAttributes(std::string& out, const data::ColumnInfo& column) {
  XmlDataType data_type = XmlDataTypeOf(column);
  out += " dt:type='";
  out += data_type.type;
  out += "'";
  if (!data_type.db_type.empty()) {
    out += " rs:dbtype='";
    out += data_type.db_type;
    out += "'";
  }
  out += " dt:maxLength='" + std::to_string(data_type.max_length) + "'";
  if (column.type == ColumnType::kDecimal) {
    out += " rs:scale='" + std::to_string(column.scale) + "'";
  }
  if (data_type.precision > 0) {
    out += " rs:precision='" + std::to_string(data_type.precision) + "'";
  }
  if (data_type.long_data) out += " rs:long='true'";
  if (data_type.fixed_length) out += " rs:fixedlength='true'";
}

// The widest fixed-point text of a double: 309 digits, sign, point, scale.
constexpr size_t kNumberBufferSize = 400;

// Whole numbers must fit the width the schema declares.
void AppendWholeNumber(std::string& out, int64_t number, const data::ColumnInfo& column) {
  const auto [lowest, highest] = WholeRange(column.type);
  // Only a number outside the declared range asks whether the column was widened.
  if ((number < lowest || number > highest) && !NeedsEightBytes(column)) {
    throw Unwritable{"the whole number " + std::to_string(number) +
                     " is outside the column's range (" + std::to_string(lowest) +
                     " to " + std::to_string(highest) + ")"};
  }
  out += std::to_string(number);
}

// Drops the zeros after the decimal point that fixed notation pads with.
std::string_view WithoutTrailingZeros(std::string_view fixed) {
  if (fixed.find('.') == std::string_view::npos) return fixed;
  fixed.remove_suffix(fixed.size() - 1 - fixed.find_last_not_of('0'));
  if (fixed.back() == '.') fixed.remove_suffix(1);
  return fixed == "-0" ? "0" : fixed;
}

// Numbers in the invariant form: "." as the point, no grouping. Doubles
// and singles in the shortest text that reads back to the same value;
// currency to its four decimals; decimals to their scale.
void AppendNumber(std::string& out, double number, const data::ColumnInfo& column) {
  if (!std::isfinite(number)) throw Unwritable{"the number is not finite"};
  char buffer[kNumberBufferSize];
  char* end = buffer + sizeof buffer;
  std::to_chars_result written;
  switch (column.type) {
    case ColumnType::kSingle:
      // Checked first: a double beyond it has no float to be converted to.
      if (std::fabs(number) > std::numeric_limits<float>::max()) {
        throw Unwritable{"the number is beyond the range of a single"};
      }
      written = std::to_chars(buffer, end, static_cast<float>(number));
      break;
    case ColumnType::kCurrency:
      // Currency holds 922337203685477.5807 at most either way.
      if (std::fabs(number) >= 922337203685477.5808) {
        throw Unwritable{"the amount is beyond the range of currency"};
      }
      written = std::to_chars(buffer, end, number, std::chars_format::fixed, 4);
      break;
    case ColumnType::kDecimal:
      written =
          std::to_chars(buffer, end, number, std::chars_format::fixed, column.scale);
      break;
    default:
      written = std::to_chars(buffer, end, number);
      break;
  }
  if (written.ec != std::errc()) throw Unwritable{"the number cannot be written"};
  std::string_view text(buffer, static_cast<size_t>(written.ptr - buffer));
  if (column.type == ColumnType::kCurrency) text = WithoutTrailingZeros(text);
  if (column.type == ColumnType::kDecimal) {
    std::string_view whole = text.substr(0, text.find('.'));
    if (whole.front() == '-') whole.remove_prefix(1);
    // The zero in front of the point of 0.25 is no digit of DECIMAL(2,2).
    int whole_digits = whole == "0" ? 0 : static_cast<int>(whole.size());
    if (whole_digits > column.precision - column.scale) {
      throw Unwritable{"the number " + std::string(text) + " has more digits than " +
                       data::DeclaredTypeOf(column) + " holds"};
    }
  }
  out += text;
}

void AppendDate(std::string& out, const data::Date& date) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", date.year,
                date.month, date.day, date.hour, date.minute, date.second);
  out += buffer;
}

// Any value in its text form, for a column declared as text; returns the
// length of that form in characters.
size_t AppendAsText(std::string& out, const data::Value& value, int64_t& replaced) {
  const size_t start = out.size();
  switch (value.kind()) {
    case data::Value::Kind::kText:
      return AppendAttributeText(out, value.AsText(), &replaced);
    case data::Value::Kind::kDate:
      AppendDate(out, value.AsDate());
      break;
    case data::Value::Kind::kDouble:
      AppendNumber(out, value.AsDouble(), data::ColumnInfo{.type = ColumnType::kDouble});
      break;
    default:
      out += value.ToText();  // whole numbers, True/False
      break;
  }
  return out.size() - start;  // these forms are ASCII and need no references
}

// Appends a non-null value in the form the column's schema type reads.
// The engine hands back a stored value that does not fit its declared type
// as it is stored: such a value would make the file unreadable, so it is
// refused.
void AppendValue(std::string& out, const data::Value& value,
                 const data::ColumnInfo& column, int64_t& replaced) {
  using Kind = data::Value::Kind;
  Kind kind = value.kind();
  switch (column.type) {
    case ColumnType::kText: {
      // Readers hold the text to the dt:maxLength the schema declares.
      size_t length = AppendAsText(out, value, replaced);
      if (length > static_cast<size_t>(column.defined_size)) {
        throw Unwritable{"the text is " + std::to_string(length) +
                         " characters long and the column holds " +
                         std::to_string(column.defined_size)};
      }
      return;
    }
    case ColumnType::kMemo:
    case ColumnType::kVariant:
      AppendAsText(out, value, replaced);
      return;
    case ColumnType::kBoolean:
      if (kind != Kind::kBoolean) break;
      out += value.AsBoolean() ? "True" : "False";
      return;
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      if (kind != Kind::kInteger) break;
      AppendWholeNumber(out, value.AsInteger(), column);
      return;
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kCurrency:
    case ColumnType::kDecimal:
      if (kind != Kind::kDouble && kind != Kind::kInteger) break;
      AppendNumber(out, kind == Kind::kDouble ? value.AsDouble() : value.AsInteger(),
                   column);
      return;
    case ColumnType::kDate:
      if (kind != Kind::kDate) break;
      AppendDate(out, value.AsDate());
      return;
  }
  throw Unwritable{"the stored value '" + value.ToText() +
                   "' is not of the column's type " + data::DeclaredTypeOf(column)};
}

// Readers hold a text column's values to the dt:maxLength the schema
// declares; a value longer than the declared size (which the host's
// database allows) widens the column rather than failing the export.
void WidenToLongestText(data::ColumnInfo& column) {
  if (column.type != ColumnType::kText || !column.measured) return;
  const int64_t longest = column.measured->longest_text;
  if (longest > column.defined_size) column.defined_size = static_cast<int32_t>(longest);
}

// A whole-number column holding numbers beyond 64 bits (which the host's
// database keeps as doubles) is declared as doubles; as text, and told,
// when whole numbers beyond 2^53 share it, which no double holds.
void WidenToDoubles(data::ColumnInfo& column, ColumnChanges& changes) {
  if (!data::IsWholeNumberType(column.type) || !column.measured ||
      !column.measured->whole_beyond_64_bits) {
    return;
  }
  constexpr int64_t kExactInDouble = int64_t{1} << 53;
  const bool exact = column.measured->least_whole >= -kExactInDouble &&
                     column.measured->greatest_whole <= kExactInDouble;
  column.type = exact ? ColumnType::kDouble : ColumnType::kVariant;
  changes.numbers_as_text = !exact;
}

}  // namespace

void XmlRowsetWriter::Open(const data::ExternalTarget& target,
                           std::span<const data::ColumnInfo> columns) {
  std::filesystem::path path = TargetPath(target);
  columns_.clear();
  row_number_ = 0;
  std::set<std::string> taken;
  std::string schema(kRowsetStart);
  for (size_t i = 0; i < columns.size(); ++i) {
    Column column{.info = columns[i]};
    WidenToLongestText(column.info);
    WidenToDoubles(column.info, column.changes);
    const std::string& name = column.info.name;
    // A name that is no XML name, or that an earlier column already has,
    // is written as "c" and the column's index, as ADO does, and the real
    // name goes along as rs:name.
    bool aliased = !IsPlainXmlName(name) || taken.contains(name);
    column.attribute = aliased ? "c" + std::to_string(i) : name;
    while (taken.contains(column.attribute)) column.attribute += '_';
    taken.insert(column.attribute);

    schema += "\t\t<s:AttributeType name='" + column.attribute + "'";
    if (aliased) {
      schema += " rs:name='";
      try {
        AppendAttributeText(schema, name);
      } catch (const Unwritable& problem) {
        throw data::DbError(data::error_number::kEngineFailure,
                            "Cannot write '" + path.string() + "': the name of column " +
                                std::to_string(i + 1) + ": " + problem.why + ".");
      }
      schema += "'";
    }
    schema += " rs:number='" + std::to_string(i + 1) + "'";
    if (column.info.nullable) schema += " rs:nullable='true'";
    schema += " rs:writeunknown='true'>\n\t\t\t<s:datatype";
    AppendDataTypeAttributes(schema, column.info);
    schema += " rs:maybenull=";
    if (!column.info.nullable) column.not_null_mark = schema.size();
    schema += column.info.nullable ? "'true'" : "'false'";
    schema += "/>\n\t\t</s:AttributeType>\n";
    columns_.push_back(std::move(column));
  }
  schema += kSchemaEnd;
  file_ = std::make_unique<TargetFile>(path);
  file_->Write(schema);
}

void XmlRowsetWriter::WriteRow(std::span<const data::Value> row) {
  ++row_number_;
  if (row.size() != columns_.size()) {
    throw data::DbError(data::error_number::kEngineFailure,
                        "Cannot write '" + file_->Path().string() + "', row " +
                            std::to_string(row_number_) + ": " +
                            std::to_string(row.size()) + " values for " +
                            std::to_string(columns_.size()) + " columns.");
  }
  line_ = "\t<z:row";
  for (size_t i = 0; i < row.size(); ++i) {
    Column& column = columns_[i];
    if (row[i].IsNull()) {
      // Same width, so the schema written already can be corrected in place.
      if (column.not_null_mark != 0) {
        file_->WriteAt(column.not_null_mark, "'true' ");
        column.not_null_mark = 0;
      }
      continue;
    }
    line_ += ' ';
    line_ += column.attribute;
    line_ += "='";
    try {
      AppendValue(line_, row[i], column.info, column.changes.replaced_characters);
    } catch (const Unwritable& problem) {
      FailAt(i, problem.why);
    }
    line_ += '\'';
  }
  line_ += "/>\n";
  file_->Write(line_);
}

void XmlRowsetWriter::Finish() {
  file_->Write(kRowsetEnd);
  file_->Close();
  file_.reset();
}

std::vector<std::string> XmlRowsetWriter::Changes() const {
  std::vector<std::string> lines;
  for (const Column& column : columns_) {
    DescribeChanges(column.info.name, column.changes, "XML 1.0", lines);
  }
  return lines;
}

void XmlRowsetWriter::Abandon() noexcept {
  if (file_) file_->Remove();
  file_.reset();
}

void XmlRowsetWriter::FailAt(size_t column, const std::string& why) const {
  throw data::DbError(data::error_number::kEngineFailure,
                      "Cannot write '" + file_->Path().string() + "', row " +
                          std::to_string(row_number_) + ", column '" +
                          columns_[column].info.name + "': " + why + ".");
}

}  // namespace vdimpexp::formats
