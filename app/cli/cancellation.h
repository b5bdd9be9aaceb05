// Ctrl+C and SIGTERM during a command: statements on the host connection
// fail as interrupted from then on, and long work stops at its next record, so the
// command ends the way a failure does (an import rolled back, an export's
// file removed) and exits as cancelled.
#pragma once

#include <exception>

#include "data/connection.h"

namespace vdimpexp::cli {

// From now on, SIGINT and SIGTERM cancel work on `host`.
void CancelOnSignals(data::Connection& host);

bool CancelRequested();

// Raised by long work that notices the request.
struct RunCancelled : std::exception {
  const char* what() const noexcept override { return "cancelled"; }
};

// Raises RunCancelled once a cancel was requested.
inline void StopIfCancelled() {
  if (CancelRequested()) throw RunCancelled();
}

}  // namespace vdimpexp::cli
