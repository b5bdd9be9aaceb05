// Where long work (the legacy table imports) tells the user how far it has
// come: lines of text, a percentage on a bar, and a chance for the window
// to keep up. The wizard's last page is one sink; a test or a command
// line is another, so the work itself never touches a control.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

namespace vdimpexp::support {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;

  // Starts a new line holding `text` (UTF-8).
  virtual void AppendLine(std::string_view text) = 0;
  // Sets the bar; 0 to 100, though a sink must bear values outside.
  virtual void SetPercent(double percent) = 0;
  // How many records the percentage is of, once the work knows, so that a
  // sink can also show the records done and the rate; a sink that shows
  // only the bar needs nothing of it.
  virtual void SetRecordCount(std::int64_t /*records*/) {}
  virtual void ShowBar(bool visible) = 0;
  // Lets the events that are waiting run once.
  virtual void RunPendingEvents() = 0;
};

// Tells a sink over a window when to let the window repaint: work that
// reports every record would spend more time redrawing than working, and
// one that never redraws looks hung. Due() is true once `interval` has
// passed since it was last true (or since the pacer was made).
class RepaintPacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit RepaintPacer(std::chrono::milliseconds interval,
                        std::function<Clock::time_point()> now = &Clock::now)
      : interval_(interval), now_(std::move(now)), last_(now_()) {}

  bool Due() {
    const Clock::time_point now = now_();
    if (now - last_ < interval_) return false;
    last_ = now;
    return true;
  }

 private:
  std::chrono::milliseconds interval_;
  std::function<Clock::time_point()> now_;
  Clock::time_point last_;
};

}  // namespace vdimpexp::support
