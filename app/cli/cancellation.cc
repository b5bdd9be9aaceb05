#include "app/cli/cancellation.h"

#include <atomic>
#include <csignal>

namespace vdimpexp::cli {
namespace {

std::atomic<bool> cancel_requested{false};
std::atomic<const data::Connection*> cancelled_connection{nullptr};

extern "C" void RequestCancel(int) {
  cancel_requested = true;
  if (const data::Connection* host = cancelled_connection.load()) host->Interrupt();
}

}  // namespace

void CancelOnSignals(const data::Connection& host) {
  cancelled_connection = &host;
  std::signal(SIGINT, RequestCancel);
  std::signal(SIGTERM, RequestCancel);
}

bool CancelRequested() { return cancel_requested; }

}  // namespace vdimpexp::cli
