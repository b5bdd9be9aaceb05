// Values at their edges: conversion into a column's type, declared types,
// dates in and out of text, values shown as text, and UTF-8.
#include "data/value.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "data/conversion.h"
#include "data/db_error.h"
#include "data/text.h"
#include "data/utf8.h"

namespace vdimpexp::data {
namespace {

using ::testing::HasSubstr;

TEST(ConversionTest, ValuesBecomeTheColumnsKindOrAreRefused) {
  struct Case {
    std::string_view declared;
    Value given;
    Value stored;  // when not refused
    int32_t refused = 0;
  };
  constexpr int32_t kMismatch = error_number::kTypeMismatch;
  // clang-format off
  const Case cases[] = {
      {"INTEGER", "12", int64_t{12}},        {"INTEGER", " +12 ", int64_t{12}},
      {"INTEGER", "2.5", int64_t{2}},        {"INTEGER", "3.5", int64_t{4}},  // halves to even
      {"INTEGER", true, int64_t{-1}},        {"INTEGER", Value(), Value()},
      {"INTEGER", "9.3e18", {}, kMismatch},  {"INTEGER", "12abc", {}, kMismatch},
      {"SMALLINT", "-32768", int64_t{-32768}}, {"SMALLINT", "32768", {}, kMismatch},
      {"SMALLINT", "", {}, kMismatch},       {"SMALLINT", "   ", {}, kMismatch},
      {"BYTE", int64_t{255}, int64_t{255}},  {"BYTE", int64_t{-1}, {}, kMismatch},
      {"CURRENCY", "19.99", 19.99},          {"DECIMAL(10,2)", "1.005001", 1.01},
      {"SINGLE", 0.1, static_cast<double>(0.1f)},
      {"DOUBLE", Date{2001, 1, 1}, {}, kMismatch},
      {"DATETIME", "03/15/1999", Date{1999, 3, 15}},
      {"DATETIME", "", {}, kMismatch},       {"DATETIME", "2/30/1999", {}, kMismatch},
      {"BIT", "Yes", true},                  {"BIT", int64_t{0}, false},
      {"BIT", "maybe", {}, kMismatch},       {"TEXT(10)", int64_t{1234}, "1234"},
      // Length is counted in characters, not bytes.
      {"TEXT(2)", "\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"},
      {"TEXT(2)", "NYC", {}, error_number::kTextTooLong},
      {"LONGTEXT", std::string(100000, 'x'), std::string(100000, 'x')},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.declared) + " <- " + c.given.ToText().substr(0, 20));
    const ColumnInfo column = DescribeColumn("Col", c.declared);
    Value value = c.given;
    try {
      ConvertForColumn(column, value);
      EXPECT_EQ(c.refused, 0) << "stored " << value.ToText();
      EXPECT_TRUE(value == c.stored) << value.ToText();
    } catch (const DbError& error) {
      EXPECT_EQ(error.number(), c.refused);
      EXPECT_THAT(error.description(), HasSubstr("'Col'"));
    }
  }
}

TEST(ColumnInfoTest, DeclaredTypesGiveKindsAndSizesAndComeBackTheSame) {
  EXPECT_EQ(DescribeColumn("c", "TEXT(40)").defined_size, 40);
  EXPECT_EQ(DescribeColumn("c", "varchar ( 12 )").defined_size, 12);
  EXPECT_EQ(DescribeColumn("c", "TEXT").defined_size, 255);
  EXPECT_EQ(DescribeColumn("c", "").type, ColumnType::kVariant);
  ColumnInfo money = DescribeColumn("c", "DECIMAL(10, 2)");
  EXPECT_EQ(money.precision, 10);
  EXPECT_EQ(money.scale, 2);
  for (const char* declared :
       {"TEXT(40)", "LONGTEXT", "BIT", "BYTE", "SMALLINT", "INTEGER", "SINGLE", "DOUBLE",
        "CURRENCY", "DECIMAL(12,3)", "DATETIME"}) {
    ColumnInfo column = DescribeColumn("c", declared);
    EXPECT_NE(column.type, ColumnType::kVariant) << declared;
    ColumnInfo again = DescribeColumn("c", DeclaredTypeOf(column));
    EXPECT_EQ(again.type, column.type) << declared;
    EXPECT_EQ(again.defined_size, column.defined_size) << declared;
    EXPECT_EQ(again.scale, column.scale) << declared;
  }
}

TEST(DateTest, ParsesUsAndIsoFormsAndRefusesTheRest) {
  const std::pair<const char*, std::optional<Date>> cases[] = {
      {"03/15/1999", Date{1999, 3, 15}},
      {"12/31/01", Date{2001, 12, 31}},
      {"12/31/45", Date{1945, 12, 31}},
      {" 2001-12-31 ", Date{2001, 12, 31}},
      {"2001-12-31 14:05:09", Date{2001, 12, 31, 14, 5, 9}},
      {"2001-12-31T14:05:09", Date{2001, 12, 31, 14, 5, 9}},
      {"3/15/1999 2:30 PM", Date{1999, 3, 15, 14, 30, 0}},
      {"3/15/1999 12:00:00 AM", Date{1999, 3, 15}},
      {"2/29/2000", Date{2000, 2, 29}},
  };
  for (const auto& [text, date] : cases) EXPECT_EQ(Date::Parse(text), date) << text;
  for (const char* text : {"", "   ", "2/30/2001", "2/29/2001", "13/1/2001", "1/1/1",
                           "20010315", "2001-1-1x", "abc", "1/1/2001 25:00"}) {
    EXPECT_EQ(Date::Parse(text), std::nullopt) << text;
  }
  // The storage form sorts as time runs.
  Date midnight{2001, 1, 1}, morning{2001, 1, 1, 9, 0, 0}, next_day{2001, 1, 2};
  EXPECT_EQ(midnight.ToIso(), "2001-01-01");
  EXPECT_EQ(morning.ToIso(), "2001-01-01 09:00:00");
  EXPECT_LT(morning.ToIso(), next_day.ToIso());
  EXPECT_EQ(morning.ToUsText(), "1/1/2001 9:00:00");
}

TEST(ValueTest, ShowsEachKindAsText) {
  const std::pair<Value, std::string> cases[] = {
      {Value(), ""},
      {Value(true), "True"},
      {Value(int64_t{-42}), "-42"},
      {Value(0.1), "0.1"},
      {Value(Date{1999, 3, 15}), "3/15/1999"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(value.ToText(), text);
  EXPECT_NE(Value(int64_t{1}), Value(1.0));
  // Limits in messages group their digits.
  EXPECT_EQ(GroupedDigits(999), "999");
  EXPECT_EQ(GroupedDigits(16384), "16,384");
  EXPECT_EQ(GroupedDigits(-1234567), "-1,234,567");
  EXPECT_EQ(GroupedDigits(std::numeric_limits<int64_t>::min()),
            "-9,223,372,036,854,775,808");
}

TEST(Utf8Test, DecodesWellFormedCharactersAndRefusesEverythingElse) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\x89";  // a é € 🎉
  std::u32string decoded;
  std::string encoded_again;
  for (size_t at = 0; at < text.size();) {
    Utf8Character c = DecodeUtf8At(text, at);
    ASSERT_GT(c.length, 0u) << "at byte " << at;
    decoded += c.code_point;
    AppendUtf8(encoded_again, c.code_point);
    at += c.length;
  }
  EXPECT_EQ(decoded, U"a\u00E9\u20AC\U0001F389");
  EXPECT_EQ(encoded_again, text);
  // Alone, cut short, overlong, a surrogate, past U+10FFFF, no continuation.
  for (std::string_view malformed :
       {"\x80", "\xC3", "\xE2\x82", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
        "\xF4\x90\x80\x80", "\xC3\x28"}) {
    EXPECT_EQ(DecodeUtf8At(malformed, 0).length, 0u)
        << ::testing::PrintToString(std::string(malformed));
  }
  EXPECT_EQ(CodePointName(0xE9), "U+00E9");
  EXPECT_EQ(CodePointName(0x1F389), "U+1F389");
}

}  // namespace
}  // namespace vdimpexp::data
