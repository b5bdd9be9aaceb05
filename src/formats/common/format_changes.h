// What a writer changed in one column's values to fit its format, counted
// while the rows are written, and the lines that tell the user: the same
// words whatever the format, so nothing is changed without a word.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vdimpexp::formats {

struct ColumnChanges {
  // Texts longer than this went to a memo field; 0 when the column is a
  // memo because it was declared one, or is no memo at all.
  int memo_beyond = 0;
  int64_t replaced_characters = 0;  // written as "?"
  int64_t times_dropped = 0;        // from dates a field holds without time
  std::optional<int> rounded_to;    // decimals kept where more were needed
  int64_t numbers_rounded = 0;
  // Texts longer than the format holds at all, cut to `cut_to` characters.
  int cut_to = 0;
  int64_t texts_cut = 0;
  // Numbers a number field of the format cannot hold exactly, as text.
  bool numbers_as_text = false;
  // Doubles a library spells in 16 significant digits, which not every
  // double reads back from exactly.
  int64_t numbers_to_16_digits = 0;
};

// Appends a line for each change of `column` ("Notes: 3 characters written
// as "?", which the Windows-1252 code page lacks"). `code_page` is named as
// messages name it ("the Windows-1252 code page").
void DescribeChanges(std::string_view column, const ColumnChanges& changes,
                     std::string_view code_page, std::vector<std::string>& lines);

// Appends the line that tells where rows went that a worksheet had no room
// for ("Rows 16,384 to 40,000 continued on 2 more worksheets: 'Contacts
// (2)', 'Contacts (3)'"): rows `first` to `last`, counted as errors count
// them, on the worksheets `sheets`; nothing when `sheets` is empty.
void DescribeContinuedRows(int64_t first, int64_t last,
                           const std::vector<std::string>& sheets,
                           std::vector<std::string>& lines);

}  // namespace vdimpexp::formats
