// The line a terminal shows while a table is read: the bar, the percentage,
// and where the work said how many records it reads, the records done and
// the rate; then the time left, all fitted to the terminal's width.
#pragma once

#include <cstdint>
#include <string>

namespace vdimpexp::cli {

struct BarReading {
  double percent = 0;          // 0 to 100; values outside are taken as the nearest
  double elapsed_seconds = 0;  // since the bar appeared
  std::int64_t records = 0;    // what the percentage is of; 0 when unknown
};

// "###############...............  50%  60/120 records  6/s  0:10 left", at
// most `columns` - 1 characters so that the terminal never wraps the line
// a carriage return redraws; a narrow terminal loses the bar first, then
// the figures at the end.
std::string ProgressBarText(const BarReading& reading, int columns);

}  // namespace vdimpexp::cli
