#include "formats/dbase/dbf_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "data/db_error.h"
#include "data/text.h"
#include "data/value_shape.h"
#include "formats/common/little_endian.h"
#include "formats/common/single_byte_code_page.h"
#include "formats/common/value_error.h"

namespace vdimpexp::formats {
namespace {

using data::ColumnInfo;
using data::ColumnType;
using data::DbError;
using data::Value;
namespace error_number = data::error_number;

// What each generation of the program accepts. Staying within its own
// limits makes a table dBASE itself opens, not only today's lenient readers.
struct LevelRules {
  std::string_view name;
  uint8_t version_with_memo;
  // dBASE IV memo blocks start with a length; dBASE III ends memos with 0x1A.
  bool length_prefixed_memos;
  size_t max_fields;
  size_t max_record_length;  // deletion flag included
  int max_numeric_width;
  int max_decimals;
};

constexpr LevelRules kDbase3{"dBASE III", dbf::kDbase3MemoVersion, false, 128, 4000, 19,
                             15};
constexpr LevelRules kDbase4{"dBASE IV", dbf::kDbase4MemoVersion, true, 255, 4000, 20,
                             18};
constexpr LevelRules kDbase5{"dBASE 5.0", dbf::kDbase4MemoVersion, true, 1024, 32767, 20,
                             18};

const LevelRules& RulesOf(DbfLevel level) {
  switch (level) {
    case DbfLevel::kIII:
      return kDbase3;
    case DbfLevel::kIV:
      return kDbase4;
    case DbfLevel::k5:
      return kDbase5;
  }
  return kDbase4;
}

constexpr std::string_view kCodePageName = "1252";
constexpr char kEndOfFile = static_cast<char>(dbf::kEndOfFile);
constexpr int kMaxTextWidth = 254;
constexpr int kMemoWidth = 10;
// Whole-number widths hold the type's whole range, sign included.
constexpr int kByteWidth = 3;     // 0 to 255
constexpr int kIntegerWidth = 6;  // -32768
constexpr int kLongWidth = 11;    // -2147483648

// Room for a number: characters in front of the point (the sign included)
// and places after it.
struct NumberRoom {
  int integer_part = 1;
  int decimals = 0;
  int Width() const { return integer_part + (decimals > 0 ? decimals + 1 : 0); }
};

// What the declared type promises; a column of floating-point numbers
// promises nothing, its values decide.
NumberRoom DeclaredRoom(const ColumnInfo& column) {
  switch (column.type) {
    case ColumnType::kByte:
      return {kByteWidth, 0};
    case ColumnType::kInteger:
      return {kIntegerWidth, 0};
    case ColumnType::kLong:
      return {kLongWidth, 0};
    case ColumnType::kDecimal:
      // The sign beside the declared digits, and the zero in front of the
      // point when every digit is a decimal (-0.25 in DECIMAL(2,2)).
      return {std::max(column.precision - column.scale, 1) + 1, column.scale};
    default:
      return {};
  }
}

// The layout a column gets in the table, from its type and what its values
// hold. `changes` learns where numbers cannot keep every digit: rounded to
// the places a numeric field keeps, or written as text when even their
// whole part is wider than a numeric field.
DbfField FieldFor(const ColumnInfo& column, const LevelRules& rules,
                  ColumnChanges& changes) {
  if (!column.measured) {
    throw std::logic_error("dBASE fields are laid out from measured columns");
  }
  const data::ValueShape& values = *column.measured;
  DbfField field{.name = column.name, .type = dbf::kCharacter};
  switch (column.type) {
    case ColumnType::kText:
    case ColumnType::kVariant: {
      // A declared size dBASE cannot honour (an unsized TEXT is 255) says
      // nothing; the longest value decides, and beyond 254 a memo holds it.
      const int declared =
          column.type == ColumnType::kText && column.defined_size <= kMaxTextWidth
              ? column.defined_size
              : 0;
      if (values.longest_text > kMaxTextWidth) {
        field.type = dbf::kMemo;
        field.width = kMemoWidth;
      } else {
        field.width = static_cast<uint16_t>(
            std::max({declared, static_cast<int>(values.longest_text), 1}));
      }
      return field;
    }
    case ColumnType::kMemo:
      field.type = dbf::kMemo;
      field.width = kMemoWidth;
      return field;
    case ColumnType::kBoolean:
      field.type = dbf::kLogical;
      field.width = 1;
      return field;
    case ColumnType::kDate:
      // D holds the calendar date only; times of day are left out, and
      // counted.
      field.type = dbf::kDate;
      field.width = 8;
      return field;
    default:
      break;
  }
  const NumberRoom declared = DeclaredRoom(column);
  NumberRoom room{
      std::max(declared.integer_part, values.integer_digits + (values.negative ? 1 : 0)),
      std::max(declared.decimals, values.decimals)};
  if (room.integer_part > rules.max_numeric_width) {
    // Each number in its shortest text that reads back, which always fits.
    field.width = Value::kLongestNumberText;
    changes.numbers_as_text = true;
    return field;
  }
  if (room.decimals > rules.max_decimals || room.Width() > rules.max_numeric_width) {
    // Fewer places, so that the digits in front of the point keep their room.
    room.decimals = std::clamp(rules.max_numeric_width - room.integer_part - 1, 0,
                               std::min(room.decimals, rules.max_decimals));
    changes.rounded_to = room.decimals;
  }
  field.type = dbf::kNumeric;
  field.width = static_cast<uint16_t>(room.Width());
  field.decimals = static_cast<uint8_t>(room.decimals);
  return field;
}

// Why a field name cannot stand in a dBASE header, or "" when it can.
std::string NameProblem(const std::string& name) {
  if (name.empty()) return "a column without a name cannot become a dBASE field.";
  // Names are bytes without a code page of their own; a control character
  // (NUL above all) would end or garble the name for readers.
  if (!std::all_of(name.begin(), name.end(),
                   [](char c) { return c >= 0x20 && c < 0x7F; })) {
    return "the column name '" + name +
           "' holds characters other than printable ASCII, which a dBASE field name "
           "cannot.";
  }
  if (name.size() > dbf::kMaxClassicNameLength) {
    return "the column name '" + name + "' is longer than the " +
           std::to_string(dbf::kMaxClassicNameLength) +
           " characters a dBASE field name can have.";
  }
  return "";
}

// The number as dBASE writes it, with `decimals` places and no blanks; an
// empty view when `value` is no finite number.
std::string_view FormatNumber(const Value& value, int decimals,
                              std::array<char, 400>& buffer) {
  char* first = buffer.data();
  char* last = buffer.data() + buffer.size();
  std::to_chars_result result;
  switch (value.kind()) {
    case Value::Kind::kInteger:
      result = std::to_chars(first, last, value.AsInteger());
      if (decimals > 0) {
        *result.ptr++ = '.';
        result.ptr = std::fill_n(result.ptr, decimals, '0');
      }
      break;
    case Value::Kind::kDouble: {
      double number = value.AsDouble();
      if (!std::isfinite(number)) return {};
      // to_chars, unlike printf, writes a point whatever the locale says.
      result = std::to_chars(first, last, number, std::chars_format::fixed, decimals);
      if (result.ec != std::errc()) return {};
      // -0.000001 rounds to zero; a signed zero would only puzzle readers.
      if (*first == '-' && std::all_of(first + 1, result.ptr,
                                       [](char c) { return c == '0' || c == '.'; })) {
        ++first;
      }
      break;
    }
    default:
      return {};
  }
  return {first, static_cast<size_t>(result.ptr - first)};
}

void PutDigits(char* at, int value, int digits) {
  for (int i = digits - 1; i >= 0; --i, value /= 10) {
    at[i] = static_cast<char>('0' + value % 10);
  }
}

}  // namespace

DbfWriter::DbfWriter(DbfLevel level) : level_(level) {}

std::string DbfWriter::Where() const {
  return std::string(RulesOf(level_).name) + " table '" + path_.string() + "'";
}

void DbfWriter::FailValue(const DbfField& field, int32_t number,
                          const std::string& what) const {
  throw ValueError(number, Where(), rows_, field.name, what);
}

void DbfWriter::Open(const data::ExternalTarget& target,
                     std::span<const ColumnInfo> columns) {
  const LevelRules& rules = RulesOf(level_);
  path_ = TargetPath(target);
  auto fail = [&](const std::string& what) {
    throw DbError(error_number::kEngineFailure, Where() + ": " + what);
  };
  if (columns.size() > rules.max_fields) {
    fail("the export has " + std::to_string(columns.size()) + " columns; " +
         std::string(rules.name) + " allows at most " + std::to_string(rules.max_fields) +
         " fields in a table.");
  }
  size_t record_length = 1;  // the deletion flag
  for (const ColumnInfo& column : columns) {
    if (std::string problem = NameProblem(column.name); !problem.empty()) fail(problem);
    for (const DbfField& earlier : fields_) {
      if (data::EqualsIgnoringCase(earlier.name, column.name)) {
        fail("the column names '" + earlier.name + "' and '" + column.name +
             "' are the same field name to dBASE, which ignores case.");
      }
    }
    ColumnChanges& changes = changes_.emplace_back();
    DbfField field = FieldFor(column, rules, changes);
    if (field.type == dbf::kMemo && column.type != ColumnType::kMemo) {
      changes.memo_beyond = kMaxTextWidth;
    }
    field.offset = static_cast<uint16_t>(record_length);
    record_length += field.width;
    has_memo_ = has_memo_ || field.type == dbf::kMemo;
    fields_.push_back(std::move(field));
  }
  if (record_length > rules.max_record_length) {
    fail("its records would be " + std::to_string(record_length) + " bytes long; " +
         std::string(rules.name) + " allows at most " +
         std::to_string(rules.max_record_length) + " bytes in a record.");
  }
  record_.assign(record_length, ' ');

  // Each file is created new, so Abandon removes only files of this export.
  // An existing table is refused before anything else is touched.
  table_.emplace(path_);
  WriteHeader();
  if (has_memo_) CreateMemoFile();
  WriteCodePageFile();
}

void DbfWriter::WriteHeader() {
  const LevelRules& rules = RulesOf(level_);
  const dbf::DescriptorShape& shape = dbf::kClassicDescriptor;
  size_t header_length = shape.first + fields_.size() * shape.size + 1;
  std::string header(header_length, '\0');
  header[0] = static_cast<char>(has_memo_ ? rules.version_with_memo : dbf::kPlainVersion);
  std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  header[1] = static_cast<char>(today.tm_year);  // years since 1900
  header[2] = static_cast<char>(today.tm_mon + 1);
  header[3] = static_cast<char>(today.tm_mday);
  // The record count (bytes 4-7) stays 0 until Finish knows it.
  PutLittleEndian(&header[dbf::kHeaderLengthAt], static_cast<uint32_t>(header_length), 2);
  PutLittleEndian(&header[dbf::kRecordLengthAt], static_cast<uint32_t>(record_.size()),
                  2);
  header[dbf::kLanguageDriverAt] = static_cast<char>(dbf::kWindows1252Driver);
  for (size_t i = 0; i < fields_.size(); ++i) {
    const DbfField& field = fields_[i];
    char* descriptor = &header[shape.first + i * shape.size];
    field.name.copy(descriptor, field.name.size());  // NUL-padded by the fill
    descriptor[shape.type_at] = field.type;
    descriptor[shape.width_at] = static_cast<char>(field.width);
    descriptor[shape.decimals_at] = static_cast<char>(field.decimals);
  }
  header.back() = static_cast<char>(dbf::kDescriptorTerminator);
  table_->Write(header);
}

std::filesystem::path DbfWriter::CompanionPath(std::string_view extension) const {
  std::filesystem::path companion =
      std::filesystem::path(path_).replace_extension(extension);
  // The table file has just been created new, so a memo or code page file
  // of its name belongs to a table deleted before: answering Yes to the
  // overwrite question deletes the .dbf alone, and the export that follows
  // must not fail on what that table left beside it.
  std::error_code ignored;
  if (companion != path_ && std::filesystem::is_regular_file(companion, ignored)) {
    std::filesystem::remove(companion, ignored);
  }
  return companion;
}

void DbfWriter::CreateMemoFile() {
  memo_.emplace(CompanionPath(".dbt"));
  std::string header(dbf::kMemoBlockSize, '\0');
  // The next free block (bytes 0-3) is completed by Finish.
  if (RulesOf(level_).length_prefixed_memos) {
    // The table's name (8 characters at most) and the block size.
    std::string stem = path_.stem().string().substr(0, 8);
    if (std::all_of(stem.begin(), stem.end(),
                    [](char c) { return c > 0x20 && c < 0x7F; })) {
      stem.copy(&header[8], stem.size());
    }
    PutLittleEndian(&header[20], dbf::kMemoBlockSize, 2);
  } else {
    header[16] = '\x03';  // dBASE III memo file version
  }
  memo_->Write(header);
}

void DbfWriter::WriteCodePageFile() {
  code_page_.emplace(CompanionPath(".cpg"));
  code_page_->Write(kCodePageName);
  code_page_->Close();
}

void DbfWriter::WriteRow(std::span<const Value> row) {
  if (rows_ == UINT32_MAX) {
    throw DbError(error_number::kEngineFailure,
                  Where() + ": a dBASE table holds at most 4294967295 records.");
  }
  ++rows_;
  for (size_t i = 0; i < fields_.size(); ++i) {
    Store(fields_[i], changes_[i], row[i], &record_[fields_[i].offset]);
  }
  table_->Write(record_);
}

void DbfWriter::Store(const DbfField& field, ColumnChanges& changes, const Value& value,
                      char* at) {
  if (value.IsNull()) {
    // dBASE has no null: blank fields stand for missing values, and a
    // logical field marks "not set" with '?'.
    std::memset(at, field.type == dbf::kLogical ? '?' : ' ', field.width);
    return;
  }
  switch (field.type) {
    case dbf::kCharacter:
      return StoreText(field, changes, value, at);
    case dbf::kMemo:
      return StoreMemo(field, changes, value, at);
    case dbf::kNumeric:
      return StoreNumber(field, changes, value, at);
    case dbf::kLogical:
      return StoreLogical(field, value, at);
    case dbf::kDate:
      return StoreDate(field, changes, value, at);
  }
}

void DbfWriter::Encode(ColumnChanges& changes, const Value& value) {
  encoded_.clear();
  changes.replaced_characters +=
      value.kind() == Value::Kind::kText
          ? Windows1252().EncodeReplacing(value.AsText(), encoded_)
          : Windows1252().EncodeReplacing(value.ToText(), encoded_);
}

void DbfWriter::StoreText(const DbfField& field, ColumnChanges& changes,
                          const Value& value, char* at) {
  Encode(changes, value);
  size_t width = field.width;
  if (encoded_.size() > width) {
    FailValue(field, error_number::kTextTooLong,
              "the text is " + std::to_string(encoded_.size()) +
                  " characters long and the field holds " + std::to_string(width));
  }
  std::memcpy(at, encoded_.data(), encoded_.size());
  std::memset(at + encoded_.size(), ' ', width - encoded_.size());
}

void DbfWriter::StoreMemo(const DbfField& field, ColumnChanges& changes,
                          const Value& value, char* at) {
  Encode(changes, value);
  std::memset(at, ' ', kMemoWidth);
  if (encoded_.empty()) return;
  if (!RulesOf(level_).length_prefixed_memos &&
      encoded_.find(kEndOfFile) != std::string::npos) {
    FailValue(field, error_number::kTypeMismatch,
              "the text holds the character U+001A, which ends a dBASE III memo early");
  }
  // The block number, right-aligned in the field's ten characters.
  std::string block = std::to_string(AppendMemo(encoded_));
  std::memcpy(at + kMemoWidth - block.size(), block.data(), block.size());
}

uint32_t DbfWriter::AppendMemo(std::string_view text) {
  static const std::string kZeros(dbf::kMemoBlockSize, '\0');
  uint32_t first_block = next_memo_block_;
  size_t used;
  if (RulesOf(level_).length_prefixed_memos) {
    char block_header[8] = {'\xFF', '\xFF', '\x08', '\x00'};
    // The length counts the eight bytes of this header too.
    PutLittleEndian(block_header + 4, static_cast<uint32_t>(text.size() + 8), 4);
    memo_->Write({block_header, sizeof block_header});
    memo_->Write(text);
    // Readers that take the length for the text's alone read eight bytes on
    // and stop at 0x1F; one placed in the unused space keeps them exact.
    memo_->Write("\x1F");
    used = sizeof block_header + text.size() + 1;
  } else {
    memo_->Write(text);
    memo_->Write("\x1A\x1A");
    used = text.size() + 2;
  }
  size_t blocks = (used + dbf::kMemoBlockSize - 1) / dbf::kMemoBlockSize;
  memo_->Write(std::string_view(kZeros).substr(0, blocks * dbf::kMemoBlockSize - used));
  next_memo_block_ += static_cast<uint32_t>(blocks);
  return first_block;
}

void DbfWriter::StoreNumber(const DbfField& field, ColumnChanges& changes,
                            const Value& value, char* at) {
  std::array<char, 400> buffer;
  std::string_view digits = FormatNumber(value, field.decimals, buffer);
  if (digits.empty()) {
    FailValue(field, error_number::kTypeMismatch,
              "'" + value.ToText() + "' is not a number");
  }
  size_t width = field.width;
  if (digits.size() > width) {
    FailValue(field, error_number::kTypeMismatch,
              "the number " + value.ToText() + " does not fit the field's " +
                  std::to_string(width) + " characters with " +
                  std::to_string(field.decimals) + " decimals");
  }
  if (changes.rounded_to && value.kind() == Value::Kind::kDouble) {
    data::ValueShape shape;
    data::WidenForNumber(shape, value.AsDouble());
    changes.numbers_rounded += shape.decimals > field.decimals;
  }
  // Numbers stand right-aligned, blanks in front.
  std::memset(at, ' ', width - digits.size());
  std::memcpy(at + width - digits.size(), digits.data(), digits.size());
}

void DbfWriter::StoreLogical(const DbfField& field, const Value& value, char* at) {
  switch (value.kind()) {
    case Value::Kind::kBoolean:
      *at = value.AsBoolean() ? 'T' : 'F';
      return;
    case Value::Kind::kInteger:
      *at = value.AsInteger() != 0 ? 'T' : 'F';
      return;
    case Value::Kind::kDouble:
      *at = value.AsDouble() != 0 ? 'T' : 'F';
      return;
    default:
      FailValue(field, error_number::kTypeMismatch,
                "'" + value.ToText() + "' is not a yes/no value");
  }
}

void DbfWriter::StoreDate(const DbfField& field, ColumnChanges& changes,
                          const Value& value, char* at) {
  std::optional<data::Date> date;
  if (value.kind() == Value::Kind::kDate) {
    date = value.AsDate();
  } else if (value.kind() == Value::Kind::kText) {
    date = data::Date::Parse(value.AsText());
  }
  if (!date) {
    FailValue(field, error_number::kTypeMismatch,
              "'" + value.ToText() + "' is not a date");
  }
  changes.times_dropped += date->HasTime();
  PutDigits(at, date->year, 4);
  PutDigits(at + 4, date->month, 2);
  PutDigits(at + 6, date->day, 2);
}

void DbfWriter::Finish() {
  table_->Write(std::string_view(&kEndOfFile, 1));
  table_->WriteAt(dbf::kRecordCountAt, LittleEndian32(rows_));
  table_->Close();
  if (memo_) {
    memo_->WriteAt(0, LittleEndian32(next_memo_block_));
    memo_->Close();
  }
}

std::vector<std::string> DbfWriter::Changes() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < fields_.size(); ++i) {
    DescribeChanges(fields_[i].name, changes_[i], Windows1252().name(), lines);
  }
  return lines;
}

void DbfWriter::Abandon() noexcept {
  if (table_) table_->Remove();
  if (memo_) memo_->Remove();
  if (code_page_) code_page_->Remove();
}

}  // namespace vdimpexp::formats
