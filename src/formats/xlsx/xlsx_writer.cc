#include "formats/xlsx/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "data/db_error.h"
#include "data/text.h"
#include "data/utf8.h"
#include "formats/common/cell_text.h"
#include "formats/common/spreadsheet_cells.h"
#include "formats/common/value_error.h"

namespace vdimpexp::formats {
namespace {

using data::Value;
namespace error_number = data::error_number;

constexpr size_t kMaxColumns = 16384;
// What Excel takes in a cell, counted in UTF-16 units.
constexpr size_t kMaxTextUnits = 32767;
// Excel's worksheet names: 31 UTF-16 units, none of "[]:*?/\"; a character
// beyond U+FFFF would take two of them.
constexpr SheetNameRules kSheetNames{31, "[]:*?/\\",
                                     [](char32_t c) { return c <= 0xFFFF; }};

// The significant digits of a number as std::to_chars spells it: from its
// first non-zero digit to its last, the exponent left out. A double spelled
// shortest in at most 16 reads back exactly from any correctly rounded
// 16-digit spelling, as that lies no farther from it.
size_t SignificantDigits(std::string_view number) {
  const std::string_view mantissa = number.substr(0, number.find('e'));
  const size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return 0;
  const size_t last = mantissa.find_last_of("123456789");
  const bool point_between = mantissa.find('.', first) < last;
  return last - first + 1 - (point_between ? 1 : 0);
}

}  // namespace

XlsxWriter::XlsxWriter(uint32_t max_rows) : max_rows_(max_rows) {}

XlsxWriter::~XlsxWriter() {
  if (workbook_ != nullptr) lxw_workbook_free(workbook_);
}

std::string XlsxWriter::Where() const { return "Excel 2007 workbook '" + path_ + "'"; }

void XlsxWriter::Fail(const std::string& what) const {
  throw data::DbError(error_number::kEngineFailure, Where() + ": " + what + ".");
}

void XlsxWriter::Check(int error) const {
  if (error != LXW_NO_ERROR) Fail(lxw_strerror(static_cast<lxw_error>(error)));
}

void XlsxWriter::Open(const data::ExternalTarget& target,
                      std::span<const data::ColumnInfo> columns) {
  path_ = target.database;
  if (columns.size() > kMaxColumns) {
    Fail("the export has " + std::to_string(columns.size()) +
         " columns; an Excel 2007 worksheet holds at most " +
         data::GroupedDigits(kMaxColumns) + " columns");
  }
  for (const data::ColumnInfo& column : columns) column_names_.push_back(column.name);
  changes_.resize(columns.size());
  sheets_.emplace(target.table, kSheetNames, max_rows_);
  file_.emplace(path_);
  scratch_.emplace(".xlsx", Where());
  std::string tmpdir = std::filesystem::temp_directory_path().string();
  lxw_workbook_options options{
      .constant_memory = LXW_TRUE, .tmpdir = tmpdir.data(), .use_zip64 = LXW_TRUE};
  workbook_ = workbook_new_opt(scratch_->Path().c_str(), &options);
  if (workbook_ == nullptr) Fail("the workbook could not be started");
  date_ = workbook_add_format(workbook_);
  format_set_num_format(date_, "yyyy-mm-dd");
  date_time_ = workbook_add_format(workbook_);
  format_set_num_format(date_time_, "yyyy-mm-dd hh:mm:ss");
  StartSheet();
}

void XlsxWriter::StartSheet() {
  const std::string& name = sheets_->Start();
  sheet_ = workbook_add_worksheet(workbook_, name.c_str());
  if (sheet_ == nullptr) Fail("the worksheet '" + name + "' was refused");
  widths_.emplace(column_names_.size());
  for (size_t column = 0; column < column_names_.size(); ++column) {
    WriteText(static_cast<uint16_t>(column), column_names_[column], nullptr);
  }
  sheets_->CountRow();
}

void XlsxWriter::EndSheet() {
  // Widths and the frozen names are written when the workbook closes, so
  // they are set once the worksheet's last row is known.
  for (size_t column = 0; column < widths_->size(); ++column) {
    const auto at = static_cast<lxw_col_t>(column);
    Check(worksheet_set_column(sheet_, at, at, static_cast<double>(widths_->Of(column)),
                               nullptr));
  }
  worksheet_freeze_panes(sheet_, 1, 0);
}

void XlsxWriter::WriteRow(std::span<const Value> row) {
  if (sheets_->Full()) {
    EndSheet();
    StartSheet();
  }
  sheets_->CountRecord();
  for (size_t column = 0; column < row.size(); ++column) {
    WriteValue(static_cast<uint16_t>(column), row[column]);
  }
  sheets_->CountRow();
}

void XlsxWriter::WriteValue(uint16_t column, const Value& value) {
  const lxw_row_t row = sheets_->Rows();
  char digits[32];
  switch (value.kind()) {
    case Value::Kind::kNull:
      return;
    case Value::Kind::kBoolean:
      Check(worksheet_write_boolean(sheet_, row, column, value.AsBoolean(), nullptr));
      widths_->Measure(column, 5);
      return;
    case Value::Kind::kInteger: {
      const int64_t number = value.AsInteger();
      const size_t length = static_cast<size_t>(
          std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
      if (!FitsNumberCell(number)) {
        text_.assign(digits, length);
        WriteText(column, text_, nullptr);
        return;
      }
      Check(worksheet_write_number(sheet_, row, column, static_cast<double>(number),
                                   nullptr));
      widths_->Measure(column, length);
      return;
    }
    case Value::Kind::kDouble: {
      const double number = value.AsDouble();
      if (!std::isfinite(number)) {
        text_.clear();
        AppendCellText(text_, value);
        WriteText(column, text_, nullptr);
        return;
      }
      Check(worksheet_write_number(sheet_, row, column, number, nullptr));
      const auto length = static_cast<size_t>(
          std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
      // libxlsxwriter spells a number in 16 significant digits; a double whose
      // shortest exact spelling needs 17 is rounded, and counted.
      if (SignificantDigits({digits, length}) > 16)
        ++changes_[column].numbers_to_16_digits;
      // Excel shows about 11 characters of a number in General format.
      widths_->Measure(column, std::min<size_t>(length, 11));
      return;
    }
    case Value::Kind::kDate: {
      const data::Date& date = value.AsDate();
      if (std::optional<double> serial = SerialDate(date)) {
        Check(worksheet_write_number(sheet_, row, column, *serial,
                                     date.HasTime() ? date_time_ : date_));
        widths_->Measure(column, date.HasTime() ? 19 : 10);
      } else {
        text_ = date.ToIso();
        WriteText(column, text_, nullptr);
      }
      return;
    }
    case Value::Kind::kText:
      WriteText(column, value.AsText(), &changes_[column]);
      return;
  }
}

void XlsxWriter::WriteText(uint16_t column, const std::string& utf8,
                           ColumnChanges* changes) {
  // One pass checks the text, finds where 32,767 UTF-16 units end and counts
  // the NULs before that.
  size_t units = 0, cut_at = utf8.size(), nuls = 0;
  for (size_t at = 0; at < utf8.size();) {
    size_t length = 1, width = 1;
    if (static_cast<unsigned char>(utf8[at]) >= 0x80) {
      const data::Utf8Character character = data::DecodeUtf8At(utf8, at);
      if (character.length == 0) {
        throw ValueError(error_number::kTypeMismatch, Where(),
                         sheets_->RecordBeingWritten(), column_names_[column],
                         "the text is not valid UTF-8");
      }
      length = character.length;
      width = character.code_point > 0xFFFF ? 2 : 1;
    }
    if (units + width > kMaxTextUnits && cut_at == utf8.size()) cut_at = at;
    if (utf8[at] == '\0' && cut_at == utf8.size()) ++nuls;
    units += width;
    at += length;
  }
  const std::string* cell = &utf8;
  if (cut_at < utf8.size()) {
    if (changes == nullptr) {
      Fail("the column name '" + column_names_[column] + "' is longer than a cell holds");
    }
    text_.assign(utf8, 0, cut_at);
    cell = &text_;
    ++changes->texts_cut;
    changes->cut_to = static_cast<int>(kMaxTextUnits);
  }
  // The library takes C text, which a NUL would end early; XML holds no NUL
  // either, so it is written as "?" and counted like any character a format
  // lacks.
  if (nuls > 0) {
    if (changes == nullptr) {
      Fail("the column name '" + column_names_[column] + "' holds the character U+0000");
    }
    if (cell != &text_) text_ = *cell;
    std::replace(text_.begin(), text_.end(), '\0', '?');
    cell = &text_;
    changes->replaced_characters += static_cast<int64_t>(nuls);
  }
  Check(worksheet_write_string(sheet_, sheets_->Rows(), column, cell->c_str(), nullptr));
  widths_->MeasureText(column, *cell);
}

void XlsxWriter::Finish() {
  EndSheet();
  lxw_workbook* workbook = workbook_;
  workbook_ = nullptr;
  Check(workbook_close(workbook));
  scratch_->CopyInto(*file_);
  file_->Close();
  scratch_.reset();
}

void XlsxWriter::Abandon() noexcept {
  if (workbook_ != nullptr) {
    lxw_workbook_free(workbook_);
    workbook_ = nullptr;
  }
  scratch_.reset();
  if (file_) {
    file_->Remove();
    file_.reset();
  }
}

std::vector<std::string> XlsxWriter::Changes() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < changes_.size(); ++i) {
    DescribeChanges(column_names_[i], changes_[i], "XML 1.0", lines);
  }
  if (sheets_) sheets_->DescribeContinued(lines);
  return lines;
}

}  // namespace vdimpexp::formats
