#include "legacy/date_picture.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace vdimpexp::legacy {
namespace {

constexpr std::size_t kStoredDateLength = 8;

bool IsDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

int Number(std::string_view digits) {
  int number = 0;
  for (char digit : digits) number = number * 10 + (digit - '0');
  return number;
}

// The eight date digits, or empty text when `stored` is no valid date. A
// date field holds exactly eight characters; trailing blanks are allowed
// for callers that hand over a wider text.
std::string_view ValidDate(std::string_view stored) {
  if (stored.size() < kStoredDateLength) return {};
  const std::string_view digits = stored.substr(0, kStoredDateLength);
  const std::string_view rest = stored.substr(kStoredDateLength);
  if (!IsDigits(digits) || rest.find_first_not_of(' ') != std::string_view::npos) {
    return {};
  }
  const std::chrono::year_month_day date{
      std::chrono::year{Number(digits.substr(0, 4))},
      std::chrono::month{static_cast<unsigned>(Number(digits.substr(4, 2)))},
      std::chrono::day{static_cast<unsigned>(Number(digits.substr(6, 2)))}};
  if (!date.ok() || date.year() == std::chrono::year{0}) return {};
  return digits;
}

// The digits a picture letter takes its run from; empty for other characters.
std::string_view PartFor(char letter, std::string_view date) {
  switch (letter) {
    case 'C':
      return date.substr(0, 2);
    case 'Y':
      return date.substr(0, 4);
    case 'M':
      return date.substr(4, 2);
    case 'D':
      return date.substr(6, 2);
    default:
      return {};
  }
}

bool IsDateLetter(char c) { return c == 'C' || c == 'Y' || c == 'M' || c == 'D'; }

}  // namespace

std::string RenderDatePicture(std::string_view stored, std::string_view picture) {
  std::string rendered(picture.size(), ' ');
  RenderDatePicture(stored, picture, rendered.data());
  return rendered;
}

void RenderDatePicture(std::string_view stored, std::string_view picture,
                       char* rendered) {
  const std::string_view date = ValidDate(stored);
  std::copy(picture.begin(), picture.end(), rendered);
  for (std::size_t at = 0; at < picture.size();) {
    const char letter = picture[at];
    if (!IsDateLetter(letter)) {
      ++at;
      continue;
    }
    std::size_t run = 1;
    while (at + run < picture.size() && picture[at + run] == letter) ++run;
    const std::string_view part =
        date.empty() ? std::string_view() : PartFor(letter, date);
    // Right-aligned: "YY" takes "99" of "1999"; a run longer than its part
    // is blank in front.
    for (std::size_t i = 0; i < run; ++i) {
      const std::size_t from_right = run - i;
      rendered[at + i] = from_right <= part.size() ? part[part.size() - from_right] : ' ';
    }
    at += run;
  }
}

}  // namespace vdimpexp::legacy
