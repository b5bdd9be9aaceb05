#include "support/random_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <thread>
#include <vector>

namespace vdimpexp::support {
namespace {

TEST(ScaleToRangeTest, ScalesTheUnitIntervalOntoBToAPlusOneRoundingHalvesToEven) {
  const double top = std::nextafter(1.0, 0.0);
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const struct {
    double r;
    int32_t a, b, expected;
  } cases[] = {
      // clang-format off
      // (A - B + 1) * r + B: zero gives B, the top of [0, 1) gives A + 1.
      {0.0, 0, 999, 999}, {0.0, 10, 7, 7}, {top, 0, 999, 1}, {top, 5, 1, 6},
      {top, 10, 10, 11},
      // Halves to the even neighbour (4.5, 3.5, 2.5, 7.5, -4.5, -1.5), others nearest.
      {0.125, 0, 5, 4}, {0.375, 0, 5, 4}, {0.625, 0, 5, 2}, {0.125, 10, 7, 8},
      {0.5, -10, 0, -4}, {0.5, -3, -1, -2}, {0.1, 0, 999, 899}, {0.32, 0, 50, 34},
      // Beyond 32 bits the result is clamped; A - B + 1 must not overflow.
      {top, kMax, 0, kMax}, {top, kMax, kMin, kMax}, {0.0, kMax, kMin, kMin},
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScaleToRange(c.r, c.a, c.b), c.expected) << c.r << " " << c.a << " " << c.b;
  }
}

TEST(RandomNumberTest, DrawsCoverTheRangeEvenlyWithHalfAsManyAtTheEnds) {
  const struct {
    int32_t a, b, lowest, highest;
  } cases[] = {
      {0, 50, 1, 50}, {0, 999, 1, 999}, {10, 10, 10, 11}, {5, 1, 1, 6}, {-5, -1, -4, -1}};
  constexpr int kDraws = 200000;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.a << " " << c.b);
    std::map<int32_t, int> tally;
    for (int i = 0; i < kDraws; ++i) ++tally[RandomNumber(c.a, c.b)];
    EXPECT_EQ(tally.begin()->first, c.lowest);
    EXPECT_EQ(tally.rbegin()->first, c.highest);
    EXPECT_EQ(tally.size(), static_cast<size_t>(c.highest - c.lowest + 1));
    // The ends get half a rounding interval; a fair generator never leaves these bands.
    const double inner = static_cast<double>(kDraws) / (c.highest - c.lowest);
    for (const auto& [value, hits] : tally) {
      const double expected = value == c.lowest || value == c.highest ? inner / 2 : inner;
      EXPECT_GT(hits, expected / 2) << value;
      EXPECT_LT(hits, expected * 2) << value;
    }
  }
}

TEST(RandomNumberTest, CallsInQuickSuccessionAndOnAnotherThreadDrawAfresh) {
  // A clock reseed, or one seed per thread, repeats draws; fair ones agree 1 in 998.
  constexpr int kDraws = 20000;
  std::vector<int32_t> mine, other;
  std::thread thread([&other] {
    for (int i = 0; i < kDraws; ++i) other.push_back(RandomNumber(0, 999));
  });
  for (int i = 0; i < kDraws; ++i) mine.push_back(RandomNumber(0, 999));
  thread.join();
  int repeats = 0, same = 0;
  for (int i = 1; i < kDraws; ++i) {
    repeats += mine[i] == mine[i - 1];
    same += mine[i] == other[i];
  }
  EXPECT_LT(repeats, 100);
  EXPECT_LT(same, 100);
}

}  // namespace
}  // namespace vdimpexp::support
