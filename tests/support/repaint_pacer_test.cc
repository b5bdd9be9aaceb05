#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "support/progress_sink.h"

namespace vdimpexp::support {
namespace {

using std::chrono::milliseconds;

TEST(RepaintPacerTest, IsDueOncePerIntervalWhateverTheCallRate) {
  RepaintPacer::Clock::time_point now{};
  RepaintPacer pacer(milliseconds(100), [&] { return now; });
  std::vector<int> due_at;
  // A call every 7 ms for a second, as a record loop would call it.
  for (int ms = 0; ms <= 1000; ms += 7) {
    now = RepaintPacer::Clock::time_point(milliseconds(ms));
    if (pacer.Due()) due_at.push_back(ms);
  }
  // Each due call at least 100 ms after the last, and never much later.
  EXPECT_EQ(due_at, (std::vector<int>{105, 210, 315, 420, 525, 630, 735, 840, 945}));

  // A long step between two calls is due at once, and only once.
  now += milliseconds(5000);
  EXPECT_TRUE(pacer.Due());
  EXPECT_FALSE(pacer.Due());
}

}  // namespace
}  // namespace vdimpexp::support
