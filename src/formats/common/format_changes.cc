#include "formats/common/format_changes.h"

#include "data/text.h"

namespace vdimpexp::formats {
namespace {

std::string Counted(int64_t count, std::string_view noun) {
  return data::Counted(count, noun, std::string(noun) + "s");
}

}  // namespace

void DescribeChanges(std::string_view column, const ColumnChanges& changes,
                     std::string_view code_page, std::vector<std::string>& lines) {
  const std::string name(column);
  if (changes.memo_beyond > 0) {
    lines.push_back(name + ": a memo field, for texts longer than " +
                    std::to_string(changes.memo_beyond) + " characters");
  }
  if (changes.replaced_characters > 0) {
    lines.push_back(name + ": " + Counted(changes.replaced_characters, "character") +
                    " written as \"?\", which " + std::string(code_page) + " lacks");
  }
  if (changes.times_dropped > 0) {
    lines.push_back(name + ": the time of day left out of " +
                    Counted(changes.times_dropped, "date"));
  }
  if (changes.numbers_rounded > 0) {
    lines.push_back(name + ": " + Counted(changes.numbers_rounded, "number") +
                    " rounded to " + Counted(changes.rounded_to.value_or(0), "decimal"));
  }
  if (changes.numbers_to_16_digits > 0) {
    lines.push_back(name + ": " + Counted(changes.numbers_to_16_digits, "number") +
                    " rounded to 16 significant digits");
  }
  if (changes.numbers_as_text) {
    lines.push_back(name + ": written as text, which keeps every digit of its numbers");
  }
  if (changes.texts_cut > 0) {
    lines.push_back(name + ": " + Counted(changes.texts_cut, "text") + " cut to " +
                    Counted(changes.cut_to, "character"));
  }
}

void DescribeContinuedRows(int64_t first, int64_t last,
                           const std::vector<std::string>& sheets,
                           std::vector<std::string>& lines) {
  if (sheets.empty()) return;
  std::string line = first == last ? "Row " + data::GroupedDigits(first)
                                   : "Rows " + data::GroupedDigits(first) + " to " +
                                         data::GroupedDigits(last);
  line += " continued on " + std::to_string(sheets.size()) + " more worksheet" +
          (sheets.size() == 1 ? "" : "s") + ":";
  for (size_t i = 0; i < sheets.size(); ++i) {
    line += (i == 0 ? " '" : ", '") + sheets[i] + "'";
  }
  lines.push_back(std::move(line));
}

}  // namespace vdimpexp::formats
