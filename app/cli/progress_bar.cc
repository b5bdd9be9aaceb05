#include "app/cli/progress_bar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vdimpexp::cli {
namespace {

constexpr int kWidestBar = 30;
// Narrower than this, the bar tells too little to be worth its room.
constexpr int kNarrowestBar = 10;

// "0:12" for twelve seconds, "1:02:03" past the hour.
std::string Duration(double seconds) {
  const long whole = std::lround(std::max(seconds, 0.0));
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  }
  return text;
}

// " 50%  60/120 records  6/s  0:10 left", each figure that can be known.
std::string Figures(const BarReading& reading, double percent) {
  char text[128];
  std::snprintf(text, sizeof text, " %3.0f%%", percent);
  std::string figures = text;
  if (reading.records > 0) {
    const auto done = std::llround(percent / 100 * static_cast<double>(reading.records));
    std::snprintf(text, sizeof text, "  %lld/%lld records", done,
                  static_cast<long long>(reading.records));
    figures += text;
    if (reading.elapsed_seconds > 0) {
      std::snprintf(text, sizeof text, "  %.0f/s",
                    static_cast<double>(done) / reading.elapsed_seconds);
      figures += text;
    }
  }
  if (percent > 0) {
    figures +=
        "  " + Duration(reading.elapsed_seconds * (100 - percent) / percent) + " left";
  }
  return figures;
}

}  // namespace

std::string ProgressBarText(const BarReading& reading, int columns) {
  const double percent = std::clamp(reading.percent, 0.0, 100.0);
  const std::string figures = Figures(reading, percent);
  const int room = std::max(columns - 1, 0);
  const int bar_width = std::min(kWidestBar, room - static_cast<int>(figures.size()));
  if (bar_width < kNarrowestBar) {
    return figures.substr(figures.find_first_not_of(' '), static_cast<std::size_t>(room));
  }
  const int filled = static_cast<int>(percent / 100 * bar_width);
  return std::string(filled, '#') + std::string(bar_width - filled, '.') + figures;
}

}  // namespace vdimpexp::cli
