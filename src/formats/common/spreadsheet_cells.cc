#include "formats/common/spreadsheet_cells.h"

#include <chrono>

#include "data/text.h"
#include "data/utf8.h"
#include "formats/common/format_changes.h"

namespace vdimpexp::formats {
namespace {

int DaysSinceEpoch(int year, int month, int day) {
  using namespace std::chrono;
  return sys_days(std::chrono::year(year) / std::chrono::month(month) /
                  std::chrono::day(day))
      .time_since_epoch()
      .count();
}

// Whether a character of a table name may stand in its worksheet's name.
bool Allowed(const data::Utf8Character& character, bool at_either_end,
             const SheetNameRules& rules) {
  const char32_t c = character.code_point;
  if (character.length == 0 || c < 0x20 || !rules.storable(c)) return false;
  if (c < 0x80 && rules.forbidden.find(static_cast<char>(c)) != std::string_view::npos) {
    return false;
  }
  return !(at_either_end && c == '\'');
}

}  // namespace

std::optional<double> SerialDate(const data::Date& date) {
  if (date.year < 1900) return std::nullopt;
  const int days = DaysSinceEpoch(date.year, date.month, date.day);
  // Serials below 60 count from one day later, as the phantom day is not
  // among them.
  const int epoch_day = days < DaysSinceEpoch(1900, 3, 1) ? 31 : 30;
  const int serial = days - DaysSinceEpoch(1899, 12, epoch_day);
  const double time = (date.hour * 3600 + date.minute * 60 + date.second) / 86400.0;
  return serial + time;
}

std::string WorksheetRowLimit(std::string_view format, int64_t max_rows) {
  const bool vowel = !format.empty() &&
                     std::string_view("AEIOU").find(format[0]) != std::string_view::npos;
  return std::string(vowel ? "an " : "a ") + std::string(format) +
         " worksheet holds at most " + data::GroupedDigits(max_rows) +
         " rows: the column names and " + data::GroupedDigits(max_rows - 1) + " records";
}

std::string WorksheetName(std::string_view table, int sheet_number,
                          const SheetNameRules& rules) {
  const size_t max_characters = rules.max_characters;
  const std::string suffix =
      sheet_number > 1 ? " (" + std::to_string(sheet_number) + ")" : "";
  const size_t room = max_characters > suffix.size() ? max_characters - suffix.size() : 0;
  std::string name;
  size_t characters = 0;
  for (size_t pos = 0; pos < table.size() && characters < room;) {
    const data::Utf8Character decoded = data::DecodeUtf8At(table, pos);
    const size_t length = decoded.length == 0 ? 1 : decoded.length;
    const bool at_either_end =
        characters == 0 || pos + length == table.size() || characters + 1 == room;
    if (Allowed(decoded, at_either_end, rules)) {
      name += table.substr(pos, length);
    } else {
      name += '_';
    }
    pos += length;
    ++characters;
  }
  if (name.empty()) name = "Sheet";
  return name + suffix;
}

ContinuedSheets::ContinuedSheets(std::string_view table, const SheetNameRules& rules,
                                 uint32_t max_rows)
    : table_(table), rules_(rules), max_rows_(max_rows) {}

const std::string& ContinuedSheets::Start() {
  names_.push_back(WorksheetName(table_, static_cast<int>(names_.size()) + 1, rules_));
  rows_ = 0;
  return names_.back();
}

void ContinuedSheets::CountRecord() {
  ++records_;
  if (names_.size() > 1 && first_continued_ == 0) first_continued_ = records_;
}

void ContinuedSheets::DescribeContinued(std::vector<std::string>& lines) const {
  if (names_.size() < 2) return;
  DescribeContinuedRows(first_continued_, records_, {names_.begin() + 1, names_.end()},
                        lines);
}

}  // namespace vdimpexp::formats
