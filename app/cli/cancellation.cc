#include "app/cli/cancellation.h"

#include <atomic>
#include <csignal>

namespace vdimpexp::cli {
namespace {

std::atomic<bool> cancel_requested{false};

// All a signal handler may safely do: set the flag the work looks at.
extern "C" void RequestCancel(int) { cancel_requested = true; }

}  // namespace

void CancelOnSignals(data::Connection& host) {
  host.StopWhen(&cancel_requested);
  std::signal(SIGINT, RequestCancel);
  std::signal(SIGTERM, RequestCancel);
}

bool CancelRequested() { return cancel_requested; }

}  // namespace vdimpexp::cli
