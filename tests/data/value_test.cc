#include "data/value.h"

#include <gtest/gtest.h>

namespace vdimpexp::data {
namespace {

TEST(DateTest, ParsesUsAndIsoForms) {
  EXPECT_EQ(Date::Parse("03/15/1999"), (Date{1999, 3, 15}));
  EXPECT_EQ(Date::Parse("1/1/2001"), (Date{2001, 1, 1}));
  EXPECT_EQ(Date::Parse("12/31/01"), (Date{2001, 12, 31}));
  EXPECT_EQ(Date::Parse("12/31/45"), (Date{1945, 12, 31}));
  EXPECT_EQ(Date::Parse("2001-12-31"), (Date{2001, 12, 31}));
  EXPECT_EQ(Date::Parse(" 2001-12-31 "), (Date{2001, 12, 31}));
  EXPECT_EQ(Date::Parse("2001-12-31 14:05:09"), (Date{2001, 12, 31, 14, 5, 9}));
  EXPECT_EQ(Date::Parse("2001-12-31T14:05:09"), (Date{2001, 12, 31, 14, 5, 9}));
  EXPECT_EQ(Date::Parse("3/15/1999 2:30 PM"), (Date{1999, 3, 15, 14, 30, 0}));
  EXPECT_EQ(Date::Parse("3/15/1999 12:00:00 AM"), (Date{1999, 3, 15}));
}

TEST(DateTest, RefusesImpossibleAndMalformedDates) {
  for (const char* text :
       {"", "   ", "2/30/2001", "2/29/2001", "13/1/2001", "1/1/1", "20010315",
        "2001-1-1x", "abc", "1/1/2001 25:00", "00000000"}) {
    EXPECT_FALSE(Date::Parse(text).has_value()) << text;
  }
  EXPECT_TRUE(Date::Parse("2/29/2000").has_value());
}

TEST(DateTest, StorageFormKeepsChronologicalOrder) {
  Date midnight{2001, 1, 1}, morning{2001, 1, 1, 9, 0, 0}, next_day{2001, 1, 2};
  EXPECT_EQ(midnight.ToIso(), "2001-01-01");
  EXPECT_EQ(morning.ToIso(), "2001-01-01 09:00:00");
  EXPECT_LT(midnight.ToIso(), morning.ToIso());
  EXPECT_LT(morning.ToIso(), next_day.ToIso());
  EXPECT_EQ(morning.ToUsText(), "1/1/2001 9:00:00");
  EXPECT_EQ(Date::Parse(morning.ToIso()), morning);
}

TEST(ValueTest, ShowsEachKindAsText) {
  EXPECT_EQ(Value().ToText(), "");
  EXPECT_EQ(Value(true).ToText(), "True");
  EXPECT_EQ(Value(int64_t{-42}).ToText(), "-42");
  EXPECT_EQ(Value(12.5).ToText(), "12.5");
  EXPECT_EQ(Value(0.1).ToText(), "0.1");
  EXPECT_EQ(Value(Date{1999, 3, 15}).ToText(), "3/15/1999");
  EXPECT_EQ(Value("text").ToText(), "text");
  EXPECT_TRUE(Value().IsNull());
  EXPECT_NE(Value(int64_t{1}), Value(1.0));
}

}  // namespace
}  // namespace vdimpexp::data
