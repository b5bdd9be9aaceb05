// How far a statement that writes an external file has come, for work that
// shows it while it waits: an export of a million rows takes seconds.
#pragma once

#include <cstdint>

namespace vdimpexp::data {

// Called on the thread that writes, between rows; no call may throw, since
// the writer's file is half-written while they run.
class WriteProgress {
 public:
  virtual ~WriteProgress() = default;
  // Whether the rows are worth counting before the first is written, when
  // the writer does not measure them anyway: counting is a pass over them.
  virtual bool WantsRowCount() const = 0;
  // Before the first row, with the rows to come; 0 when they were not counted.
  virtual void Started(int64_t rows) = 0;
  // Now and then, with the rows written so far.
  virtual void Written(int64_t rows) = 0;
  // After the last row, or once writing failed.
  virtual void Ended() = 0;
};

}  // namespace vdimpexp::data
