#include "formats/excel/excel_writer.h"

#include <cmath>
#include <utility>

#include "data/db_error.h"
#include "data/text.h"
#include "formats/common/cell_text.h"
#include "formats/common/little_endian.h"
#include "formats/common/single_byte_code_page.h"
#include "formats/common/spreadsheet_cells.h"
#include "formats/common/value_error.h"
#include "formats/excel/compound_file.h"

namespace vdimpexp::formats {
namespace {

using data::DbError;
using data::Value;
namespace error_number = data::error_number;

struct VersionRules {
  std::string_view name;
  // The compound file stream of a workbook; empty for a worksheet file.
  std::string_view stream;
  uint32_t max_rows;       // of a worksheet, the column names included
  size_t max_text_length;  // characters of a text cell
};

constexpr VersionRules kExcel3{
    .name = "Excel 3.0", .max_rows = 16384, .max_text_length = 255};
constexpr VersionRules kExcel4{
    .name = "Excel 4.0", .max_rows = 16384, .max_text_length = 255};
constexpr VersionRules kExcel5{
    .name = "Excel 5.0", .stream = "Book", .max_rows = 16384, .max_text_length = 255};
constexpr VersionRules kExcel97{.name = "Excel 97",
                                .stream = "Workbook",
                                .max_rows = 65536,
                                .max_text_length = 32767};

const VersionRules& RulesOf(BiffVersion version) {
  switch (version) {
    case BiffVersion::k3:
      return kExcel3;
    case BiffVersion::k4:
      return kExcel4;
    case BiffVersion::k5:
      return kExcel5;
    case BiffVersion::k8:
      return kExcel97;
  }
  return kExcel97;
}

constexpr size_t kMaxColumns = 256;
// Excel names a worksheet in at most 31 characters, none of "[]:*?/\",
// Excel 5.0 in Windows-1252 and Excel 97 in UTF-16, where a character
// beyond U+FFFF would take two of the 31.
constexpr std::string_view kSheetNameForbidden = "[]:*?/\\";
constexpr SheetNameRules kExcel5SheetNames{
    31, kSheetNameForbidden, [](char32_t c) { return Windows1252().ByteOf(c) >= 0; }};
constexpr SheetNameRules kExcel97SheetNames{31, kSheetNameForbidden,
                                            [](char32_t c) { return c <= 0xFFFF; }};
// Excel writes workbook streams of at least 4096 bytes, which keeps them
// out of the compound file's mini stream; some versions of Excel refuse a
// workbook found there.
constexpr uint64_t kMinWorkbookStream = 4096;
// A compound file of 512-byte sectors, the kind libgsf writes and Excel
// 97 reads, is at most 2 GB long, its allocation tables included: they
// take 1/128 of the stream and the DIFAT little more, which the 1/64 left
// over holds with room to spare.
constexpr uint64_t kMaxWorkbookStream = (uint64_t{1} << 31) / 64 * 63;

bool IsWorksheetFile(BiffVersion version) {
  return version == BiffVersion::k3 || version == BiffVersion::k4;
}

}  // namespace

ExcelWriter::ExcelWriter(BiffVersion version) : version_(version) {}

ExcelWriter::~ExcelWriter() = default;

std::string ExcelWriter::Where() const {
  return std::string(RulesOf(version_).name) +
         (IsWorksheetFile(version_) ? " worksheet '" : " workbook '") + path_.string() +
         "'";
}

void ExcelWriter::Fail(int32_t number, const std::string& what) const {
  throw DbError(number, Where() + ": " + what + ".");
}

void ExcelWriter::FailCell(uint16_t column, int32_t number,
                           const std::string& what) const {
  throw ValueError(number, Where(), sheets_->RecordBeingWritten(), column_names_[column],
                   what);
}

void ExcelWriter::Open(const data::ExternalTarget& target,
                       std::span<const data::ColumnInfo> columns) {
  const VersionRules& rules = RulesOf(version_);
  path_ = target.database;
  if (columns.size() > kMaxColumns) {
    Fail(error_number::kEngineFailure,
         "the export has " + std::to_string(columns.size()) + " columns; an " +
             std::string(rules.name) + " worksheet holds at most " +
             std::to_string(kMaxColumns) + " columns");
  }
  for (const data::ColumnInfo& column : columns) column_names_.push_back(column.name);
  changes_.resize(columns.size());
  sheets_.emplace(target.table,
                  version_ == BiffVersion::k8 ? kExcel97SheetNames : kExcel5SheetNames,
                  rules.max_rows);

  file_.emplace(path_);
  if (IsWorksheetFile(version_)) {
    // One sheet: the records go straight to the file, and Finish completes
    // the DIMENSIONS placeholder once the row count is known.
    std::string prologue;
    AppendBof(prologue, version_, SubstreamType::kWorksheet);
    AppendCodePage(prologue, version_);
    AppendDateMode(prologue);
    AppendWorksheetOptions(prologue);
    AppendFormatTables(prologue, version_);
    AppendDefaultColumnWidth(prologue);
    dimensions_offset_ = prologue.size();
    AppendDimensions(prologue, version_, 0, 0);
    file_->Write(prologue);
  } else {
    spool_ = std::make_unique<Spool>(Where());
    if (version_ == BiffVersion::k8) strings_.emplace(Where());
  }
  StartSheet();
}

void ExcelWriter::StartSheet() {
  const std::string& name = sheets_->Start();
  if (!IsWorksheetFile(version_)) {
    SpooledSheet sheet{.spool_begin = spool_->Size()};
    std::string problem;
    if (!AppendSheetName(sheet.stored_name, version_, name, problem)) {
      Fail(error_number::kEngineFailure, problem);
    }
    spooled_.push_back(std::move(sheet));
  }
  cells_.clear();
  for (size_t column = 0; column < column_names_.size(); ++column) {
    AppendText(0, static_cast<uint16_t>(column), column_names_[column], nullptr);
  }
  WriteCells();
}

void ExcelWriter::EndSheet() {
  SpooledSheet& sheet = spooled_.back();
  sheet.spool_end = spool_->Size();
  sheet.rows = sheets_->Rows();
}

void ExcelWriter::WriteCells() {
  if (spool_) {
    spool_->Write(cells_);
  } else {
    file_->Write(cells_);
  }
  sheets_->CountRow();
}

void ExcelWriter::WriteRow(std::span<const Value> row) {
  const VersionRules& rules = RulesOf(version_);
  if (sheets_->Full()) {
    if (IsWorksheetFile(version_)) {
      Fail(error_number::kEngineFailure, WorksheetRowLimit(rules.name, rules.max_rows));
    }
    EndSheet();
    StartSheet();
  }
  sheets_->CountRecord();
  cells_.clear();
  const auto sheet_row = static_cast<uint16_t>(sheets_->Rows());
  for (size_t column = 0; column < row.size(); ++column) {
    AppendCell(sheet_row, static_cast<uint16_t>(column), row[column]);
  }
  WriteCells();
}

void ExcelWriter::AppendCell(uint16_t row, uint16_t column, const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kNull:
      return;
    case Value::Kind::kBoolean:
      AppendBooleanCell(cells_, row, column, value.AsBoolean());
      return;
    case Value::Kind::kInteger: {
      const int64_t number = value.AsInteger();
      if (!FitsNumberCell(number)) {
        AppendText(row, column, std::to_string(number), nullptr);
      } else {
        AppendNumberCell(cells_, row, column, kGeneralXf, static_cast<double>(number));
      }
      return;
    }
    case Value::Kind::kDouble:
      if (std::isfinite(value.AsDouble())) {
        AppendNumberCell(cells_, row, column, kGeneralXf, value.AsDouble());
      } else {
        std::string text;
        AppendCellText(text, value);
        AppendText(row, column, text, nullptr);
      }
      return;
    case Value::Kind::kDate: {
      const data::Date& date = value.AsDate();
      if (std::optional<double> serial = SerialDate(date)) {
        AppendNumberCell(cells_, row, column, date.HasTime() ? kDateTimeXf : kDateXf,
                         *serial);
      } else {
        // The serial system starts in 1900; an earlier date stays readable.
        AppendText(row, column, date.ToIso(), nullptr);
      }
      return;
    }
    case Value::Kind::kText:
      AppendText(row, column, value.AsText(), &changes_[column]);
      return;
  }
}

void ExcelWriter::AppendText(uint16_t row, uint16_t column, std::string_view utf8,
                             ColumnChanges* changes) {
  const VersionRules& rules = RulesOf(version_);
  encoded_.clear();
  size_t length;
  if (version_ == BiffVersion::k8) {
    encoded_.assign(3, '\0');  // the length and flags, set below
    bool wide = false;
    std::optional<size_t> units = AppendBiff8Characters(encoded_, utf8, wide);
    if (!units)
      FailCell(column, error_number::kTypeMismatch, "the text is not valid UTF-8");
    length = *units;
    PutLittleEndian(encoded_.data(), length, 2);
    encoded_[2] = wide ? '\x01' : '\x00';
  } else if (changes != nullptr) {
    changes->replaced_characters += Windows1252().EncodeReplacing(utf8, encoded_);
    length = encoded_.size();
  } else {
    std::string problem;
    if (!Windows1252().Encode(utf8, encoded_, problem)) {
      FailCell(column, error_number::kTypeMismatch, problem);
    }
    length = encoded_.size();
  }
  if (length > rules.max_text_length) {
    if (changes == nullptr) {
      FailCell(column, error_number::kTextTooLong,
               "the text is " + std::to_string(length) + " characters long; an " +
                   std::string(rules.name) + " cell holds at most " +
                   data::GroupedDigits(static_cast<int64_t>(rules.max_text_length)) +
                   " characters");
    }
    CutEncodedText(rules.max_text_length);
    ++changes->texts_cut;
    changes->cut_to = static_cast<int>(rules.max_text_length);
  }
  if (version_ == BiffVersion::k8) {
    AppendSharedLabelCell(cells_, row, column, strings_->Add(encoded_));
  } else {
    AppendLabelCell(cells_, row, column, encoded_);
  }
}

void ExcelWriter::CutEncodedText(size_t characters) {
  if (version_ != BiffVersion::k8) {
    encoded_.resize(characters);
    return;
  }
  // A BIFF8 text: its length and flags, then one byte a character or two
  // (UTF-16), where a character beyond U+FFFF is a pair that stays whole.
  const bool wide = encoded_[2] != '\0';
  size_t units = characters;
  if (wide) {
    const auto high = static_cast<unsigned char>(encoded_[3 + 2 * (units - 1) + 1]);
    if (high >= 0xD8 && high <= 0xDB) --units;  // the first half of a pair
  }
  encoded_.resize(3 + units * (wide ? 2 : 1));
  PutLittleEndian(encoded_.data(), units, 2);
}

void ExcelWriter::Finish() {
  if (IsWorksheetFile(version_)) {
    FinishWorksheetFile();
  } else {
    EndSheet();
    FinishWorkbook();
  }
}

void ExcelWriter::FinishWorksheetFile() {
  std::string epilogue;
  AppendWindow1(epilogue, version_);
  AppendWindow2(epilogue, version_, false);
  AppendEof(epilogue);
  file_->Write(epilogue);
  std::string dimensions;
  AppendDimensions(dimensions, version_, sheets_->Rows(),
                   static_cast<uint16_t>(column_names_.size()));
  file_->WriteAt(dimensions_offset_, dimensions);
  file_->Close();
}

std::string ExcelWriter::SheetPrologue(const SpooledSheet& sheet) const {
  std::string prologue;
  AppendBof(prologue, version_, SubstreamType::kWorksheet);
  AppendWorksheetOptions(prologue);
  AppendDefaultColumnWidth(prologue);
  AppendDimensions(prologue, version_, sheet.rows,
                   static_cast<uint16_t>(column_names_.size()));
  return prologue;
}

void ExcelWriter::FinishWorkbook() {
  // The globals come first and name where each worksheet starts, so their
  // size is reckoned before anything is written.
  std::string globals;
  AppendBof(globals, version_, SubstreamType::kWorkbookGlobals);
  AppendCodePage(globals, version_);
  AppendWindow1(globals, version_);
  AppendDateMode(globals);
  AppendFormatTables(globals, version_);
  std::vector<size_t> offset_fields;
  for (const SpooledSheet& sheet : spooled_) {
    offset_fields.push_back(globals.size() + 4);
    AppendBoundSheet(globals, 0, sheet.stored_name);
  }
  const uint64_t strings_size = strings_ ? strings_->Complete() : 0;
  std::string end_of_globals;
  AppendEof(end_of_globals);

  std::string epilogue;
  AppendWindow2(epilogue, version_, false);
  AppendEof(epilogue);
  std::string first_epilogue;
  AppendWindow2(first_epilogue, version_, true);
  AppendEof(first_epilogue);

  uint64_t offset = globals.size() + strings_size + end_of_globals.size();
  for (size_t i = 0; i < spooled_.size(); ++i) {
    PutLittleEndian(&globals[offset_fields[i]], offset, 4);
    offset += SheetPrologue(spooled_[i]).size() + spooled_[i].spool_end -
              spooled_[i].spool_begin + epilogue.size();
  }
  if (offset > kMaxWorkbookStream) {
    Fail(error_number::kEngineFailure,
         "the workbook stream would be " + std::to_string(offset) +
             " bytes long; a compound file holds at most 2 GB, so a workbook at most " +
             std::to_string(kMaxWorkbookStream) + " bytes");
  }

  CompoundFileWriter workbook(*file_, RulesOf(version_).stream);
  workbook.Write(globals);
  auto write = [&workbook](std::string_view bytes) { workbook.Write(bytes); };
  if (strings_) strings_->WriteRecords(globals.size(), write);
  workbook.Write(end_of_globals);
  for (size_t i = 0; i < spooled_.size(); ++i) {
    workbook.Write(SheetPrologue(spooled_[i]));
    spool_->Copy(spooled_[i].spool_begin, spooled_[i].spool_end, write);
    workbook.Write(i == 0 ? first_epilogue : epilogue);
  }
  if (offset < kMinWorkbookStream) {
    workbook.Write(std::string(kMinWorkbookStream - offset, '\0'));
  }
  workbook.Finish();
  file_->Close();
  spool_.reset();
  strings_.reset();
}

std::vector<std::string> ExcelWriter::Changes() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < changes_.size(); ++i) {
    DescribeChanges(column_names_[i], changes_[i], Windows1252().name(), lines);
  }
  if (sheets_) sheets_->DescribeContinued(lines);
  return lines;
}

void ExcelWriter::Abandon() noexcept {
  spool_.reset();
  strings_.reset();
  if (file_) file_->Remove();
}

}  // namespace vdimpexp::formats
