// Small text helpers of the data layer: names and keywords are ASCII and
// compared without regard to case, as the host's database platform does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vdimpexp::data {

// Spares the locale lookup of tolower on every name comparison.
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

inline bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  for (size_t start = 0; start + part.size() <= text.size(); ++start) {
    if (EqualsIgnoringCase(text.substr(start, part.size()), part)) return true;
  }
  return false;
}

// Without the blanks (spaces, tabs, line ends) around it.
inline std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Without the spaces around it; only spaces, as the host's Trim takes them
// (a tab stays).
inline std::string_view TrimSpaces(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The pieces between the separators: "a,,b" gives "a", "" and "b"; an empty
// text gives one empty piece.
inline std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    pieces.emplace_back(
        text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

// A whole number with its thousands grouped, as messages show limits:
// 16384 gives "16,384", -1234567 "-1,234,567".
inline std::string GroupedDigits(int64_t number) {
  const std::string digits = std::to_string(number);
  const size_t sign = number < 0 ? 1 : 0;
  std::string grouped = digits.substr(0, sign);
  for (size_t i = sign; i < digits.size(); ++i) {
    if (i > sign && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

// "1 record", "3 records": `count` and the words that go with it.
inline std::string Counted(int64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// A text value as an SQL literal: between single quotes, its own quotes
// doubled, so that it can neither end the literal early nor add to the
// statement.
inline std::string SqlQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

// A table or column name as Jet text: in brackets, which cannot hold a "]"
// (Jet allows none in a name).
inline std::string Bracketed(std::string_view name) {
  return "[" + std::string(name) + "]";
}

// A table or column name as SQLite text, whatever characters it holds: in
// brackets, as Jet writes names, or, for a name holding a "]", in double
// quotes, doubled inside.
inline std::string SqliteName(std::string_view name) {
  if (name.find(']') == std::string_view::npos) return Bracketed(name);
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

}  // namespace vdimpexp::data
