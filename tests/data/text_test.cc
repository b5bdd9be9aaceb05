#include "data/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace vdimpexp::data {
namespace {

TEST(GroupedDigitsTest, GroupsThousandsFromTheRightAndKeepsTheSign) {
  EXPECT_EQ(GroupedDigits(0), "0");
  EXPECT_EQ(GroupedDigits(999), "999");
  EXPECT_EQ(GroupedDigits(1000), "1,000");
  EXPECT_EQ(GroupedDigits(16384), "16,384");
  EXPECT_EQ(GroupedDigits(1000000), "1,000,000");
  EXPECT_EQ(GroupedDigits(-999), "-999");
  EXPECT_EQ(GroupedDigits(-1234567), "-1,234,567");
  EXPECT_EQ(GroupedDigits(std::numeric_limits<int64_t>::min()),
            "-9,223,372,036,854,775,808");
}

}  // namespace
}  // namespace vdimpexp::data
