// A single database value as the host data layer hands it around: null,
// boolean, whole number, floating point, date-time or UTF-8 text.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vdimpexp::data {

// A calendar date with an optional time of day (midnight when absent).
struct Date {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend auto operator<=>(const Date&, const Date&) = default;

  bool IsValid() const;
  bool HasTime() const { return hour != 0 || minute != 0 || second != 0; }

  // Storage form: "yyyy-mm-dd", or "yyyy-mm-dd hh:mm:ss" when a time is set.
  // Text order of this form is chronological order.
  std::string ToIso() const;
  // "m/d/yyyy", with " h:mm:ss" when a time is set.
  std::string ToUsText() const;

  // Accepts "yyyy-mm-dd[ hh:mm[:ss]]" (also with a "T" separator) and
  // "m/d/yyyy[ h:mm[:ss][ AM|PM]]"; two-digit years follow the usual
  // window (00-29 -> 2000s, 30-99 -> 1900s). Blank or malformed text,
  // and impossible dates such as 2/30/2001, give nullopt.
  static std::optional<Date> Parse(std::string_view text);
};

class Value {
 public:
  enum class Kind { kNull, kBoolean, kInteger, kDouble, kDate, kText };

  Value() = default;
  Value(bool b) : v_(b) {}
  Value(int i) : v_(static_cast<int64_t>(i)) {}
  Value(int64_t i) : v_(i) {}
  Value(double d) : v_(d) {}
  Value(Date d) : v_(d) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(std::string_view s) : v_(std::string(s)) {}
  Value(const char* s) : v_(std::string(s)) {}

  // Makes the value the text `s`, in the storage of the text it held if it
  // held one, so that a value given text after text allocates once. `s`
  // may lie inside the value's own text.
  void AssignText(std::string_view s) {
    if (std::string* text = std::get_if<std::string>(&v_)) {
      text->assign(s.data(), s.size());
    } else {
      v_ = std::string(s);
    }
  }

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool IsNull() const { return kind() == Kind::kNull; }

  // Strict accessors: the value must be of that kind.
  bool AsBoolean() const { return std::get<bool>(v_); }
  int64_t AsInteger() const { return std::get<int64_t>(v_); }
  double AsDouble() const { return std::get<double>(v_); }
  const Date& AsDate() const { return std::get<Date>(v_); }
  const std::string& AsText() const { return std::get<std::string>(v_); }

  // The value as text, the way a report shows it: null as "", booleans as
  // "True"/"False", numbers in shortest round-trip form, dates as "m/d/yyyy".
  std::string ToText() const;
  // The most characters ToText gives a number ("-2.2250738585072014e-308").
  static constexpr int kLongestNumberText = 24;

  friend bool operator==(const Value&, const Value&) = default;

 private:
  std::variant<std::monostate, bool, int64_t, double, Date, std::string> v_;
};

}  // namespace vdimpexp::data
