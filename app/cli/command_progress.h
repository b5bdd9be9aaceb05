// How long work shows its progress on the command line: its lines on the
// error stream, and while a table is read or a file written, on a
// terminal, a bar with the percentage, the records done, the rate and the
// time left. An import reports every record, so this is also where a
// cancel request stops it; an export is stopped by its connection.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "data/write_progress.h"
#include "support/progress_sink.h"

namespace vdimpexp::cli {

class CommandProgress : public support::ProgressSink, public data::WriteProgress {
 public:
  explicit CommandProgress(Streams streams);

  void AppendLine(std::string_view text) override;
  void SetPercent(double percent) override;
  void SetRecordCount(std::int64_t records) override { records_ = records; }
  void ShowBar(bool visible) override;
  void RunPendingEvents() override {}

  // Counted only for a bar: a script has no use for the extra pass.
  bool WantsRowCount() const override { return DrawsBars(); }
  void Started(int64_t rows) override;
  void Written(int64_t rows) override;
  void Ended() override { ShowBar(false); }

  // Every line so far, for the summary.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  // A bar only on a terminal, and never with --quiet.
  bool DrawsBars() const { return streams_.terminal && !streams_.quiet; }
  void DrawBar(double percent);
  void ClearBar();

  Streams streams_;
  support::RepaintPacer redraw_;
  std::vector<std::string> lines_;
  bool bar_shown_ = false;
  std::chrono::steady_clock::time_point bar_start_;
  std::int64_t records_ = 0;  // of the table the bar is for; 0 when not told
  int columns_ = 0;           // the terminal's width when the bar appeared
};

}  // namespace vdimpexp::cli
