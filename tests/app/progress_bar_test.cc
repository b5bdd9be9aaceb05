// The bar's line: the figures it can know, worked out from the percentage,
// and fitted to the terminal.
#include "app/cli/progress_bar.h"

#include <gtest/gtest.h>

namespace vdimpexp::cli {
namespace {

TEST(ProgressBarTextTest, ShowsWhatItCanKnowWithinTheWidth) {
  const std::string bar_half = std::string(15, '#') + std::string(15, '.');
  struct Case {
    BarReading reading;
    int columns;
    std::string text;
  } cases[] = {
      {{50, 10, 120}, 80, bar_half + "  50%  60/120 records  6/s  0:10 left"},
      {{25, 3, 0}, 80, std::string(7, '#') + std::string(23, '.') + "  25%  0:09 left"},
      {{0, 0, 0}, 80, std::string(30, '.') + "   0%"},
      {{10, 0, 50}, 80, "###" + std::string(27, '.') + "  10%  5/50 records  0:00 left"},
      {{150, 12.5, 1000},
       80,
       std::string(30, '#') + " 100%  1000/1000 records  80/s  0:00 left"},
      {{25, 3600, 0}, 80, "#######" + std::string(23, '.') + "  25%  3:00:00 left"},
      // Narrower: the bar shrinks, then goes, then the figures are cut.
      {{50, 10, 120}, 50, "######......  50%  60/120 records  6/s  0:10 left"},
      {{50, 10, 120}, 40, "50%  60/120 records  6/s  0:10 left"},
      {{50, 10, 120}, 20, "50%  60/120 records"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = ProgressBarText(c.reading, c.columns);
    EXPECT_EQ(text, c.text);
    EXPECT_LT(text.size(), static_cast<std::size_t>(c.columns));
  }
}

}  // namespace
}  // namespace vdimpexp::cli
