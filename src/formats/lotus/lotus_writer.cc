#include "formats/lotus/lotus_writer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "data/db_error.h"
#include "data/text.h"
#include "formats/common/cell_text.h"
#include "formats/common/little_endian.h"
#include "formats/common/single_byte_code_page.h"
#include "formats/common/spreadsheet_cells.h"
#include "formats/common/value_error.h"
#include "formats/lotus/lmbcs.h"

namespace vdimpexp::formats {
namespace {

using data::ColumnInfo;
using data::DbError;
using data::Value;
namespace error_number = data::error_number;

// Every release keeps a worksheet to 256 columns and 8,192 rows, the
// column names' row among them.
constexpr size_t kMaxColumns = 256;
constexpr int kRowsPerSheet = 8192;
// WK3 and WK4 cells address their worksheet in one byte.
constexpr int kMaxSheets = 256;

struct ReleaseRules {
  std::string_view name;
  uint16_t version;
  // Release 2 takes a cell entry of 240 characters, Release 3 and 4 of 512;
  // a label's prefix is part of its entry.
  size_t max_label_text;
};

constexpr ReleaseRules kWk1Rules{"Lotus WK1", 0x0406, 239};
constexpr ReleaseRules kWk3Rules{"Lotus WK3", 0x1000, 511};
constexpr ReleaseRules kWk4Rules{"Lotus WK4", 0x1002, 511};

const ReleaseRules& RulesOf(LotusRelease release) {
  switch (release) {
    case LotusRelease::kWk1:
      return kWk1Rules;
    case LotusRelease::kWk3:
      return kWk3Rules;
    case LotusRelease::kWk4:
      return kWk4Rules;
  }
  return kWk1Rules;
}

// Record types. Release 2 and Release 3 numbered their records anew.
constexpr uint16_t kBof = 0x00;
constexpr uint16_t kEof = 0x01;
constexpr uint16_t kWk1CalcMode = 0x02;
constexpr uint16_t kWk1CalcOrder = 0x03;
constexpr uint16_t kWk1Range = 0x06;
constexpr uint16_t kWk1Integer = 0x0D;
constexpr uint16_t kWk1Number = 0x0E;
constexpr uint16_t kWk1Label = 0x0F;
constexpr uint16_t kWk3Format = 0x13;
constexpr uint16_t kWk3Label = 0x16;
constexpr uint16_t kWk3Number = 0x17;  // a ten-byte extended-precision float
constexpr uint16_t kWk3Style = 0x1B;
constexpr uint16_t kWk3SheetNameStyle = 0x36B0;

// A format byte: bit 7 protection (set, as in every cell 1-2-3 writes
// itself), bits 4-6 the kind, bits 0-3 the decimals or the special format.
// Kind 7 with 15 is the worksheet's default format, with 2 the date format
// D1 (DD-MMM-YY), the one 1-2-3 offers first.
constexpr uint8_t kDefaultFormat = 0xFF;
constexpr uint8_t kDateFormat = 0xF2;
// A WK3/WK4 format record repeats a format for the next columns when its
// word has this bit and a count byte follows.
constexpr uint32_t kRepeatedFormat = 0x80000000;

constexpr char kLabelPrefix = '\'';  // left-aligned, as 1-2-3 enters text

// A WK1 INTEGER cell holds -32,767 to 32,767; -32,768 takes a NUMBER cell.
constexpr int64_t kMaxWk1Integer = 32767;

// WK1: the RANGE record's last column and row; WK3/WK4: the BOF's last
// cell (row, worksheet, column), both completed by Finish.
constexpr uint64_t kWk1RangeEndOffset = 4 + 2 + 4 + 4;
constexpr uint64_t kWk3LastCellOffset = 4 + 8;

// A WK4 worksheet name is at most 15 characters long; ':' would end it in
// an address (A:A1), and the rest of these Windows refuses in sheet names.
// Readers take a name's bytes as they stand (Gnumeric as UTF-8, SheetJS
// one byte a character), so only ASCII reaches every reader unchanged.
constexpr SheetNameRules kSheetNames{15, ":\\/?*[]", [](char32_t c) { return c < 0x80; }};

void AppendRecordHeader(std::string& out, uint16_t type, size_t length) {
  AppendLittleEndian(out, type, 2);
  AppendLittleEndian(out, length, 2);
}

// The value as the 80-bit extended-precision float of Release 3's number
// cells: 64 bits of mantissa with its leading one, then sign and exponent.
// Every double fits exactly.
void AppendExtended(std::string& out, double value) {
  if (value == 0) {
    out.append(10, '\0');
    return;
  }
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
  const uint32_t sign = value < 0 ? 0x8000 : 0;
  AppendLittleEndian(out, mantissa, 8);
  AppendLittleEndian(out, sign | static_cast<uint32_t>(exponent - 1 + 16383), 2);
}

}  // namespace

LotusWriter::LotusWriter(LotusRelease release) : release_(release) {}

bool LotusWriter::MultiSheet() const { return release_ != LotusRelease::kWk1; }

std::string LotusWriter::Where() const {
  return std::string(RulesOf(release_).name) +
         (MultiSheet() ? " file '" : " worksheet '") + path_.string() + "'";
}

void LotusWriter::FailValue(int column, int32_t number, const std::string& what) const {
  throw ValueError(number, Where(), rows_, column_names_[static_cast<size_t>(column)],
                   what);
}

void LotusWriter::Open(const data::ExternalTarget& target,
                       std::span<const ColumnInfo> columns) {
  const ReleaseRules& rules = RulesOf(release_);
  path_ = TargetPath(target);
  table_ = target.table;
  if (columns.size() > kMaxColumns) {
    throw DbError(error_number::kEngineFailure,
                  Where() + ": the export has " + std::to_string(columns.size()) +
                      " columns; a Lotus worksheet holds at most " +
                      std::to_string(kMaxColumns) + " columns.");
  }
  for (const ColumnInfo& column : columns) column_names_.push_back(column.name);
  changes_.assign(columns.size(),
                  ColumnChanges{.cut_to = static_cast<int>(rules.max_label_text)});
  date_in_row_.assign(columns.size(), false);

  // An existing file is refused before anything is written.
  file_.emplace(path_);
  std::string start;
  if (MultiSheet()) {
    AppendRecordHeader(start, kBof, 26);
    AppendLittleEndian(start, rules.version, 2);
    // The file kind (a worksheet file) as 1-2-3 writes it, then the last
    // cell, completed by Finish, then the default LMBCS group of the text.
    AppendLittleEndian(start, 0x0004, 2);
    start.append(16 - 4, '\0');
    start += static_cast<char>(kLmbcsGroup);
    start.append(26 - 17, '\0');
  } else {
    AppendRecordHeader(start, kBof, 2);
    AppendLittleEndian(start, rules.version, 2);
    // The worksheet's active range, its end completed by Finish.
    AppendRecordHeader(start, kWk1Range, 8);
    start.append(8, '\0');
    AppendRecordHeader(start, kWk1CalcMode, 1);
    start += '\xFF';  // automatic
    AppendRecordHeader(start, kWk1CalcOrder, 1);
    start += '\0';  // natural
  }
  file_->Write(start);
  if (MultiSheet()) {
    StartSheet();
  } else {
    WriteColumnNames();
  }
}

void LotusWriter::StartSheet() {
  if (sheet_ + 1 == kMaxSheets) {
    throw DbError(error_number::kEngineFailure,
                  Where() + ": a " + std::string(RulesOf(release_).name) +
                      " file holds at most " + std::to_string(kMaxSheets) +
                      " worksheets of " + data::GroupedDigits(kRowsPerSheet - 1) +
                      " records each.");
  }
  ++sheet_;
  row_in_sheet_ = 0;
  if (release_ == LotusRelease::kWk4) {
    // Release 3 has no sheet names: its worksheets are the letters A, B,
    // C... (readers show their own names, such as Sheet1, Sheet2). Release
    // 4 names its tabs, and the export names them after the table.
    const std::string name = WorksheetName(table_, sheet_ + 1, kSheetNames);
    std::string record;
    AppendRecordHeader(record, kWk3Style, 2 + 2 + name.size() + 1);
    AppendLittleEndian(record, kWk3SheetNameStyle, 2);
    AppendLittleEndian(record, static_cast<uint32_t>(sheet_), 2);
    record += name;
    record += '\0';
    file_->Write(record);
  }
  WriteColumnNames();
}

void LotusWriter::WriteColumnNames() {
  records_.clear();
  for (size_t i = 0; i < column_names_.size(); ++i) {
    AppendColumnName(static_cast<int>(i));
  }
  file_->Write(records_);
  row_in_sheet_ = 1;
}

void LotusWriter::WriteRow(std::span<const Value> row) {
  ++rows_;
  if (row_in_sheet_ == kRowsPerSheet) {
    if (!MultiSheet()) {
      throw DbError(error_number::kEngineFailure,
                    Where() + ", row " + std::to_string(rows_) + ": " +
                        WorksheetRowLimit(RulesOf(release_).name, kRowsPerSheet) + ".");
    }
    StartSheet();
  }
  records_.clear();
  std::fill(date_in_row_.begin(), date_in_row_.end(), false);
  for (size_t i = 0; i < column_names_.size(); ++i) {
    AppendValue(static_cast<int>(i), row[i]);
  }
  if (MultiSheet()) AppendRowFormats();
  file_->Write(records_);
  highest_row_ = std::max(highest_row_, row_in_sheet_);
  ++row_in_sheet_;
}

void LotusWriter::AppendValue(int column, const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kNull:
      return;  // an empty cell has no record
    case Value::Kind::kText:
      return AppendLabel(column, value.AsText());
    case Value::Kind::kBoolean:
      // 1-2-3 has no yes/no type: its own @TRUE and @FALSE are the numbers
      // 1 and 0, and so are the export's booleans.
      return AppendInteger(column, value.AsBoolean() ? 1 : 0);
    case Value::Kind::kInteger:
      return AppendInteger(column, value.AsInteger());
    case Value::Kind::kDouble: {
      const double number = value.AsDouble();
      if (!std::isfinite(number)) {
        std::string text;
        AppendCellText(text, value);
        return AppendLabel(column, text);
      }
      return AppendNumber(column, number, false);
    }
    case Value::Kind::kDate: {
      const std::optional<double> serial = SerialDate(value.AsDate());
      if (!serial) return AppendLabel(column, value.AsDate().ToIso());
      return AppendNumber(column, *serial, true);
    }
  }
}

void LotusWriter::AppendCellRecord(uint16_t type, size_t body_length, uint8_t format,
                                   int column) {
  AppendRecordHeader(records_, type, body_length);
  if (MultiSheet()) {
    AppendLittleEndian(records_, static_cast<uint32_t>(row_in_sheet_), 2);
    records_ += static_cast<char>(sheet_);
    records_ += static_cast<char>(column);
  } else {
    records_ += static_cast<char>(format);
    AppendLittleEndian(records_, static_cast<uint32_t>(column), 2);
    AppendLittleEndian(records_, static_cast<uint32_t>(row_in_sheet_), 2);
  }
}

void LotusWriter::AppendColumnName(int column) {
  const std::string& name = column_names_[static_cast<size_t>(column)];
  encoded_.clear();
  std::string problem;
  if (!EncodeLmbcs(name, encoded_, problem)) {
    FailValue(column, error_number::kTypeMismatch, problem);
  }
  const ReleaseRules& rules = RulesOf(release_);
  if (encoded_.size() > rules.max_label_text) {
    FailValue(column, error_number::kTextTooLong,
              "the name is " + std::to_string(encoded_.size()) + " characters long; a " +
                  std::string(rules.name) + " label holds at most " +
                  std::to_string(rules.max_label_text) + " characters");
  }
  AppendLabelRecord(column);
}

void LotusWriter::AppendLabel(int column, std::string_view utf8) {
  encoded_.clear();
  const LmbcsLabel label = EncodeLmbcsLabel(
      utf8, MultiSheet() ? LmbcsGroups::kGroup1AndUnicode : LmbcsGroups::kGroup1,
      RulesOf(release_).max_label_text, encoded_);
  ColumnChanges& changes = changes_[static_cast<size_t>(column)];
  changes.replaced_characters += static_cast<int64_t>(label.replaced);
  changes.texts_cut += label.cut;
  AppendLabelRecord(column);
}

// A label record of the text in `encoded_`.
void LotusWriter::AppendLabelRecord(int column) {
  const size_t address = MultiSheet() ? 4 : 5;
  AppendCellRecord(MultiSheet() ? kWk3Label : kWk1Label, address + encoded_.size() + 2,
                   kDefaultFormat, column);
  records_ += kLabelPrefix;
  records_ += encoded_;
  records_ += '\0';
}

void LotusWriter::AppendInteger(int column, int64_t number) {
  if (!FitsNumberCell(number)) {
    return AppendLabel(column, std::to_string(number));
  }
  if (!MultiSheet() && number >= -kMaxWk1Integer && number <= kMaxWk1Integer) {
    AppendCellRecord(kWk1Integer, 5 + 2, kDefaultFormat, column);
    AppendLittleEndian(records_, static_cast<uint64_t>(number), 2);
    return;
  }
  AppendNumber(column, static_cast<double>(number), false);
}

void LotusWriter::AppendNumber(int column, double number, bool is_date) {
  if (number == 0) number = 0;  // no negative zero
  if (MultiSheet()) {
    AppendCellRecord(kWk3Number, 4 + 10, kDefaultFormat, column);
    AppendExtended(records_, number);
    date_in_row_[static_cast<size_t>(column)] = is_date;
  } else {
    AppendCellRecord(kWk1Number, 5 + 8, is_date ? kDateFormat : kDefaultFormat, column);
    AppendLittleEndianDouble(records_, number);
  }
}

void LotusWriter::AppendRowFormats() {
  auto last_date = std::find(date_in_row_.rbegin(), date_in_row_.rend(), true);
  if (last_date == date_in_row_.rend()) return;
  const size_t columns = static_cast<size_t>(date_in_row_.rend() - last_date);
  // Runs of equal formats from column A to the last date cell, in a record
  // whose length is completed once they are in.
  const size_t record_start = records_.size();
  AppendRecordHeader(records_, kWk3Format, 0);
  records_ += static_cast<char>(sheet_);
  records_ += '\0';  // a row's cell formats
  AppendLittleEndian(records_, static_cast<uint32_t>(row_in_sheet_), 2);
  for (size_t start = 0; start < columns;) {
    size_t end = start + 1;
    while (end < columns && date_in_row_[end] == date_in_row_[start]) ++end;
    const uint32_t format = date_in_row_[start] ? kDateFormat : kDefaultFormat;
    if (end - start == 1) {
      AppendLittleEndian(records_, format, 4);
    } else {
      AppendLittleEndian(records_, format | kRepeatedFormat, 4);
      records_ += static_cast<char>(end - start - 1);
    }
    start = end;
  }
  PutLittleEndian(&records_[record_start + 2], records_.size() - record_start - 4, 2);
}

void LotusWriter::Finish() {
  std::string end;
  AppendRecordHeader(end, kEof, 0);
  file_->Write(end);
  const int last_column = std::max<int>(0, static_cast<int>(column_names_.size()) - 1);
  std::string last_cell;
  if (MultiSheet()) {
    AppendLittleEndian(last_cell, static_cast<uint32_t>(highest_row_), 2);
    last_cell += static_cast<char>(sheet_);
    last_cell += static_cast<char>(last_column);
    file_->WriteAt(kWk3LastCellOffset, last_cell);
  } else {
    AppendLittleEndian(last_cell, static_cast<uint32_t>(last_column), 2);
    AppendLittleEndian(last_cell, static_cast<uint32_t>(highest_row_), 2);
    file_->WriteAt(kWk1RangeEndOffset, last_cell);
  }
  file_->Close();
}

std::vector<std::string> LotusWriter::Changes() const {
  // Release 3 and 4 lack only what LMBCS's Unicode group cannot hold.
  const std::string character_set =
      MultiSheet() ? "the character set of Lotus labels" : CodePage850().name();
  std::vector<std::string> lines;
  for (size_t i = 0; i < column_names_.size(); ++i) {
    DescribeChanges(column_names_[i], changes_[i], character_set, lines);
  }
  return lines;
}

void LotusWriter::Abandon() noexcept {
  if (file_) file_->Remove();
}

}  // namespace vdimpexp::formats
