#include "app/cli/command_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "app/cli/cancellation.h"
#include "app/cli/progress_bar.h"

namespace vdimpexp::cli {
namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr int kUsualColumns = 80;

// The width of the terminal on the error stream; the usual 80 when it does
// not say.
int TerminalColumns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
    return kUsualColumns;
  }
  return size.ws_col;
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
  DrawBar(percent);
}

void CommandProgress::Started(int64_t rows) {
  ShowBar(true);
  SetRecordCount(rows);
}

void CommandProgress::Written(int64_t rows) {
  if (records_ > 0) DrawBar(100.0 * static_cast<double>(rows) / records_);
}

void CommandProgress::DrawBar(double percent) {
  if (!bar_shown_ || !redraw_.Due()) return;
  const BarReading reading{
      .percent = percent,
      .elapsed_seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - bar_start_)
              .count(),
      .records = records_};
  streams_.err << "\r" << ProgressBarText(reading, columns_) << "\033[K" << std::flush;
}

void CommandProgress::ShowBar(bool visible) {
  if (!visible) {
    ClearBar();
    bar_shown_ = false;
    return;
  }
  bar_shown_ = DrawsBars();
  bar_start_ = std::chrono::steady_clock::now();
  records_ = 0;
  if (bar_shown_) columns_ = TerminalColumns();
}

void CommandProgress::ClearBar() {
  if (bar_shown_) streams_.err << "\r\033[K" << std::flush;
}

}  // namespace vdimpexp::cli
