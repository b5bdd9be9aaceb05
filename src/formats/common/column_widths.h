// The widths the spreadsheet writers of the zipped XML workbooks (xlsx,
// ods) give their columns: measured on the values as they are written, so
// no pass over the rows comes first, and set once the last row is in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace vdimpexp::formats {

class ColumnWidths {
 public:
  // A column is never narrower than a short number nor wider than a
  // spreadsheet allows a column to be.
  static constexpr size_t kNarrowest = 6;
  static constexpr size_t kWidest = 255;

  explicit ColumnWidths(size_t columns) : widths_(columns, kNarrowest) {}

  // `characters` shown in `column` by a value.
  void Measure(size_t column, size_t characters) {
    widths_[column] = std::max(widths_[column], std::min(characters + 1, kWidest));
  }
  // The characters of a UTF-8 text, its longest line's.
  void MeasureText(size_t column, std::string_view utf8) {
    size_t line = 0, longest = 0;
    for (char c : utf8) {
      if (c == '\n') {
        longest = std::max(longest, line);
        line = 0;
      } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
        ++line;
      }
    }
    Measure(column, std::max(longest, line));
  }

  // In characters of the default font's digits.
  size_t Of(size_t column) const { return widths_[column]; }
  size_t size() const { return widths_.size(); }

 private:
  std::vector<size_t> widths_;
};

}  // namespace vdimpexp::formats
