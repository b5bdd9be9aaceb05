// Values at their edges: text, numbers and dates converted into a column's
// declared type or refused, and UTF-8 read one character at a time.
#include "data/value.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/conversion.h"
#include "data/db_error.h"
#include "data/utf8.h"

namespace vdimpexp::data {
namespace {

TEST(ConversionTest, ValuesBecomeTheColumnsKindOrAreRefused) {
  struct Case {
    std::string_view declared;
    Value given;
    Value stored;  // when not refused
    int32_t refused = 0;
  };
  constexpr int32_t kMismatch = error_number::kTypeMismatch;
  constexpr int32_t kTooLong = error_number::kTextTooLong;
  // clang-format off
  const Case cases[] = {
      {"INTEGER", "12", int64_t{12}},          {"INTEGER", " +12 ", int64_t{12}},
      {"INTEGER", "2.5", int64_t{2}},          {"INTEGER", "3.5", int64_t{4}},  // halves to even
      {"INTEGER", true, int64_t{-1}},          {"INTEGER", Value(), Value()},
      {"INTEGER", "9.3e18", {}, kMismatch},    {"INTEGER", "12abc", {}, kMismatch},
      {"SMALLINT", "-32768", int64_t{-32768}}, {"SMALLINT", "32768", {}, kMismatch},
      {"SMALLINT", "", {}, kMismatch},         {"SMALLINT", "   ", {}, kMismatch},
      {"BYTE", int64_t{255}, int64_t{255}},    {"BYTE", int64_t{-1}, {}, kMismatch},
      {"CURRENCY", "19.99", 19.99},            {"DECIMAL(10, 2)", "1.005001", 1.01},
      {"SINGLE", 0.1, static_cast<double>(0.1f)}, {"DOUBLE", Date{2001, 1, 1}, {}, kMismatch},
      {"BIT", "Yes", true},                    {"BIT", int64_t{0}, false},
      {"BIT", "maybe", {}, kMismatch},         {"", "as given", "as given"},
      {"TEXT(10)", int64_t{1234}, "1234"},     {"varchar ( 3 )", "abcd", {}, kTooLong},
      {"TEXT", std::string(255, 'x'), std::string(255, 'x')},
      {"TEXT", std::string(256, 'x'), {}, kTooLong},
      // Length is counted in characters, not bytes.
      {"TEXT(2)", "\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"}, {"TEXT(2)", "NYC", {}, kTooLong},
      {"LONGTEXT", std::string(100000, 'x'), std::string(100000, 'x')},
      // Dates in the US and the ISO form; two-digit years by the usual window.
      {"DATETIME", "03/15/1999", Date{1999, 3, 15}},  {"DATETIME", "12/31/01", Date{2001, 12, 31}},
      {"DATETIME", "12/31/45", Date{1945, 12, 31}},   {"DATETIME", "2/29/2000", Date{2000, 2, 29}},
      {"DATETIME", " 2001-12-31 ", Date{2001, 12, 31}},
      {"DATETIME", "2001-12-31T14:05:09", Date{2001, 12, 31, 14, 5, 9}},
      {"DATETIME", "3/15/1999 12:00:00 AM", Date{1999, 3, 15}},
      {"DATETIME", "", {}, kMismatch},         {"DATETIME", "2/29/2001", {}, kMismatch},
      {"DATETIME", "13/1/2001", {}, kMismatch}, {"DATETIME", "1/1/1", {}, kMismatch},
      {"DATETIME", "20010315", {}, kMismatch}, {"DATETIME", "2001-1-1x", {}, kMismatch},
      {"DATETIME", "1/1/2001 25:00", {}, kMismatch},
      {"DATETIME", "1/1/2001 0:30 PM", {}, kMismatch},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.declared) + " <- " + c.given.ToText().substr(0, 20));
    Value value = c.given;
    try {
      ConvertForColumn(DescribeColumn("Col", c.declared), value);
      EXPECT_EQ(c.refused, 0) << "stored " << value.ToText();
      EXPECT_TRUE(value == c.stored) << value.ToText();
    } catch (const DbError& error) {
      EXPECT_EQ(error.number(), c.refused);
      EXPECT_THAT(error.description(), ::testing::HasSubstr("'Col'"));
    }
  }
}

TEST(Utf8Test, RefusesWhatIsNotWellFormed) {
  // Alone, cut short, overlong, a surrogate, past U+10FFFF, no continuation.
  for (std::string_view malformed :
       {"\x80", "\xC3", "\xE2\x82", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
        "\xF4\x90\x80\x80", "\xC3\x28"}) {
    EXPECT_EQ(DecodeUtf8At(malformed, 0).length, 0u)
        << ::testing::PrintToString(std::string(malformed));
  }
  EXPECT_EQ(CodePointName(0xE9), "U+00E9");
}

}  // namespace
}  // namespace vdimpexp::data
