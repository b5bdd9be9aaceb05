#include "data/value.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace vdimpexp::data {
namespace {

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// A small cursor over date text; every reader leaves the position unchanged
// when it does not match.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }
  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // Reads 1 to max_digits digits; digits_read tells how many.
  bool Number(int max_digits, int& value, int* digits_read = nullptr) {
    size_t start = pos_;
    value = 0;
    while (pos_ < text_.size() && pos_ - start < static_cast<size_t>(max_digits) &&
           std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      value = value * 10 + (text_[pos_++] - '0');
    }
    if (digits_read) *digits_read = static_cast<int>(pos_ - start);
    return pos_ > start;
  }
  bool TakeWord(std::string_view word) {
    if (text_.size() - pos_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (std::toupper(static_cast<unsigned char>(text_[pos_ + i])) != word[i])
        return false;
    }
    pos_ += word.size();
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// "h:mm[:ss][ AM|PM]" after the date part.
bool ScanTime(DateScanner& scan, Date& date) {
  if (!scan.Number(2, date.hour) || !scan.Take(':') || !scan.Number(2, date.minute)) {
    return false;
  }
  if (scan.Take(':') && !scan.Number(2, date.second)) return false;
  scan.SkipBlanks();
  bool pm = scan.TakeWord("PM");
  bool am = !pm && scan.TakeWord("AM");
  if (am || pm) {
    if (date.hour < 1 || date.hour > 12) return false;
    date.hour = date.hour % 12 + (pm ? 12 : 0);
  }
  return true;
}

int ExpandTwoDigitYear(int year) { return year < 30 ? 2000 + year : 1900 + year; }

}  // namespace

bool Date::IsValid() const {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month) && hour >= 0 && hour < 24 && minute >= 0 &&
         minute < 60 && second >= 0 && second < 60;
}

std::string Date::ToIso() const {
  char buffer[32];
  if (HasTime()) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month,
                  day, hour, minute, second);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
  }
  return buffer;
}

std::string Date::ToUsText() const {
  char buffer[40];
  if (HasTime()) {
    std::snprintf(buffer, sizeof buffer, "%d/%d/%04d %d:%02d:%02d", month, day, year,
                  hour, minute, second);
  } else {
    std::snprintf(buffer, sizeof buffer, "%d/%d/%04d", month, day, year);
  }
  return buffer;
}

std::optional<Date> Date::Parse(std::string_view text) {
  DateScanner scan(text);
  scan.SkipBlanks();
  Date date;
  int first = 0, first_digits = 0;
  if (!scan.Number(4, first, &first_digits)) return std::nullopt;
  if (first_digits == 4 && scan.Take('-')) {
    date.year = first;
    if (!scan.Number(2, date.month) || !scan.Take('-') || !scan.Number(2, date.day)) {
      return std::nullopt;
    }
  } else if (first_digits <= 2 && scan.Take('/')) {
    date.month = first;
    int year_digits = 0;
    if (!scan.Number(2, date.day) || !scan.Take('/') ||
        !scan.Number(4, date.year, &year_digits)) {
      return std::nullopt;
    }
    if (year_digits == 2) {
      date.year = ExpandTwoDigitYear(date.year);
    } else if (year_digits != 4) {
      return std::nullopt;
    }
  } else {
    return std::nullopt;
  }
  bool separated = scan.Take('T');
  if (!separated) {
    size_t blanks_before = 0;
    while (scan.Take(' ')) ++blanks_before;
    separated = blanks_before > 0 && !scan.AtEnd();
  }
  if (separated && !ScanTime(scan, date)) return std::nullopt;
  scan.SkipBlanks();
  if (!scan.AtEnd() || !date.IsValid()) return std::nullopt;
  return date;
}

std::string Value::ToText() const {
  switch (kind()) {
    case Kind::kNull:
      return {};
    case Kind::kBoolean:
      return AsBoolean() ? "True" : "False";
    case Kind::kInteger:
      return std::to_string(AsInteger());
    case Kind::kDouble: {
      char buffer[32];
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, AsDouble());
      return std::string(buffer, ec == std::errc() ? end : buffer);
    }
    case Kind::kDate:
      return AsDate().ToUsText();
    case Kind::kText:
      return AsText();
  }
  return {};
}

}  // namespace vdimpexp::data
