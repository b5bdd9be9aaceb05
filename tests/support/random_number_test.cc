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

const double kJustBelowOne = std::nextafter(1.0, 0.0);

TEST(ScaleToRangeTest, ZeroGivesBAndTheTopOfTheUnitIntervalGivesAPlusOneSide) {
  EXPECT_EQ(ScaleToRange(0.0, 0, 999), 999);
  EXPECT_EQ(ScaleToRange(0.0, 0, 50), 50);
  EXPECT_EQ(ScaleToRange(0.0, 10, 7), 7);
  EXPECT_EQ(ScaleToRange(0.0, -3, -1), -1);
  // With A = 0 the far end is 1; with A > B it is A + 1.
  EXPECT_EQ(ScaleToRange(kJustBelowOne, 0, 999), 1);
  EXPECT_EQ(ScaleToRange(kJustBelowOne, 0, 50), 1);
  EXPECT_EQ(ScaleToRange(kJustBelowOne, 5, 1), 6);
  EXPECT_EQ(ScaleToRange(kJustBelowOne, 10, 10), 11);
  EXPECT_EQ(ScaleToRange(kJustBelowOne, -5, -1), -4);
}

TEST(ScaleToRangeTest, RoundsToNearestWithHalvesToEven) {
  // 5 - 4r: 4.5, 3.5, 2.5, 1.5.
  EXPECT_EQ(ScaleToRange(0.125, 0, 5), 4);
  EXPECT_EQ(ScaleToRange(0.375, 0, 5), 4);
  EXPECT_EQ(ScaleToRange(0.625, 0, 5), 2);
  EXPECT_EQ(ScaleToRange(0.875, 0, 5), 2);
  // 3 - 2r: 2.5, 1.5.
  EXPECT_EQ(ScaleToRange(0.25, 0, 3), 2);
  EXPECT_EQ(ScaleToRange(0.75, 0, 3), 2);
  // 7 + 4r: 7.5, 8.5, 9.5, 10.5.
  EXPECT_EQ(ScaleToRange(0.125, 10, 7), 8);
  EXPECT_EQ(ScaleToRange(0.375, 10, 7), 8);
  EXPECT_EQ(ScaleToRange(0.625, 10, 7), 10);
  EXPECT_EQ(ScaleToRange(0.875, 10, 7), 10);
  // 10 + r.
  EXPECT_EQ(ScaleToRange(0.25, 10, 10), 10);
  EXPECT_EQ(ScaleToRange(0.5, 10, 10), 10);
  EXPECT_EQ(ScaleToRange(0.75, 10, 10), 11);
  EXPECT_EQ(ScaleToRange(0.5, 11, 11), 12);
  // Negative halves: -9r = -4.5; -1 - r = -1.5.
  EXPECT_EQ(ScaleToRange(0.5, -10, 0), -4);
  EXPECT_EQ(ScaleToRange(0.5, -3, -1), -2);
  // Off the half, the nearest whole number.
  EXPECT_EQ(ScaleToRange(0.5, 0, 999), 500);
  EXPECT_EQ(ScaleToRange(0.1, 0, 999), 899);  // 899.2
  EXPECT_EQ(ScaleToRange(0.3, 0, 50), 35);    // 35.3
  EXPECT_EQ(ScaleToRange(0.32, 0, 50), 34);   // 34.32
  EXPECT_EQ(ScaleToRange(0.7, 0, 50), 16);    // 15.7
}

TEST(ScaleToRangeTest, ClampsResultsBeyondThe32BitRange) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(ScaleToRange(kJustBelowOne, kMax, 0), kMax);
  EXPECT_EQ(ScaleToRange(kJustBelowOne, kMax, kMin), kMax);
  EXPECT_EQ(ScaleToRange(0.0, kMin, kMax), kMax);
  EXPECT_EQ(ScaleToRange(0.0, kMax, kMin), kMin);
}

// Draws `count` values and tallies them.
std::map<int32_t, int> Tally(int32_t a, int32_t b, int count) {
  std::map<int32_t, int> tally;
  for (int i = 0; i < count; ++i) ++tally[RandomNumber(a, b)];
  return tally;
}

TEST(RandomNumberTest, ExportAndImportRangesAreCoveredEndToEnd) {
  constexpr int kDraws = 200000;
  for (int32_t b : {50, 999}) {
    SCOPED_TRACE(b);
    const auto tally = Tally(0, b, kDraws);
    ASSERT_FALSE(tally.empty());
    EXPECT_EQ(tally.begin()->first, 1);
    EXPECT_EQ(tally.rbegin()->first, b);
    EXPECT_EQ(tally.size(), static_cast<std::size_t>(b));
    // Every inner value is hit about kDraws / (b - 1) times, the two ends
    // half as often (they get half a rounding interval each). The bands are
    // wide enough that a fair generator never leaves them.
    const double inner = static_cast<double>(kDraws) / (b - 1);
    for (const auto& [value, hits] : tally) {
      const double expected = (value == 1 || value == b) ? inner / 2 : inner;
      EXPECT_GT(hits, expected / 2) << "value " << value;
      EXPECT_LT(hits, expected * 2) << "value " << value;
    }
  }
}

TEST(RandomNumberTest, ImmediateRepeatCallsGiveDifferentNumbers) {
  // A generator reseeded from the clock on every call gives the same number
  // to calls within one tick; a fair one repeats with chance 1/998 (0..999)
  // or about 1/48 (0..50).
  constexpr int kPairs = 10000;
  int same_999 = 0;
  int same_50 = 0;
  for (int i = 0; i < kPairs; ++i) {
    const int32_t first = RandomNumber(0, 999);
    if (RandomNumber(0, 999) == first) ++same_999;
    const int32_t second = RandomNumber(0, 50);
    if (RandomNumber(0, 50) == second) ++same_50;
  }
  EXPECT_LT(same_999, 60);
  EXPECT_LT(same_50, 500);
}

TEST(RandomNumberTest, OtherArgumentsFollowTheSameFormula) {
  // (A - B + 1) * r + B with A = B lies in [B, B + 1): B or B + 1 once rounded.
  const auto equal_ends = Tally(10, 10, 10000);
  EXPECT_EQ(equal_ends.size(), 2u);
  EXPECT_GT(equal_ends.count(10), 0u);
  EXPECT_GT(equal_ends.count(11), 0u);

  // A > B: from B to A + 1.
  const auto ascending = Tally(5, 1, 100000);
  EXPECT_EQ(ascending.begin()->first, 1);
  EXPECT_EQ(ascending.rbegin()->first, 6);
  EXPECT_EQ(ascending.size(), 6u);

  // Negative arguments: -1 - 3r, so -4 .. -1.
  const auto negative = Tally(-5, -1, 100000);
  EXPECT_EQ(negative.begin()->first, -4);
  EXPECT_EQ(negative.rbegin()->first, -1);
  EXPECT_EQ(negative.size(), 4u);
}

TEST(RandomNumberTest, ThreadsShareTheGeneratorSafely) {
  constexpr int kThreads = 4;
  constexpr int kDraws = 20000;
  std::vector<std::vector<int32_t>> draws(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&draws, t] {
      draws[t].reserve(kDraws);
      for (int i = 0; i < kDraws; ++i) draws[t].push_back(RandomNumber(0, 999));
    });
  }
  for (auto& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    for (int32_t value : draws[t]) {
      ASSERT_GE(value, 1);
      ASSERT_LE(value, 999);
    }
    for (int u = t + 1; u < kThreads; ++u) {
      int same_position = 0;
      for (int i = 0; i < kDraws; ++i) same_position += draws[t][i] == draws[u][i];
      // Independent streams agree at about 1 in 998 positions.
      EXPECT_LT(same_position, 200) << "threads " << t << " and " << u;
    }
  }
}

}  // namespace
}  // namespace vdimpexp::support
