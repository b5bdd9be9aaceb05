#include "app/cli/command_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/cli/cancellation.h"

namespace vdimpexp::cli {
namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr int kBarWidth = 30;

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

}  // namespace

CommandProgress::CommandProgress(Streams streams)
    : streams_(streams), redraw_(kRedrawInterval) {}

void CommandProgress::AppendLine(std::string_view text) {
  StopIfCancelled();
  lines_.emplace_back(text);
  if (streams_.quiet) return;
  ClearBar();
  streams_.err << text << "\n";
}

void CommandProgress::SetPercent(double percent) {
  StopIfCancelled();
  if (!bar_shown_ || !redraw_.Due()) return;
  percent = std::clamp(percent, 0.0, 100.0);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - bar_start_)
          .count();
  const int filled = static_cast<int>(percent / 100 * kBarWidth);
  std::string line =
      "\r" + std::string(filled, '#') + std::string(kBarWidth - filled, '.');
  char figures[64];
  std::snprintf(figures, sizeof figures, " %3.0f%%", percent);
  line += figures;
  if (percent > 0) line += "  " + Duration(elapsed * (100 - percent) / percent) + " left";
  streams_.err << line << "\033[K" << std::flush;
}

void CommandProgress::ShowBar(bool visible) {
  if (!visible) {
    ClearBar();
    bar_shown_ = false;
    return;
  }
  bar_shown_ = streams_.terminal && !streams_.quiet;
  bar_start_ = std::chrono::steady_clock::now();
}

void CommandProgress::ClearBar() {
  if (bar_shown_) streams_.err << "\r\033[K" << std::flush;
}

}  // namespace vdimpexp::cli
