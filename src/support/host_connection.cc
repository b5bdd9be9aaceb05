#include "support/host_connection.h"

#include "data/db_error.h"

namespace vdimpexp::support {
namespace {

// Per thread: a host that serves requests from several threads hands each
// thread's wizard its own connection.
thread_local data::Connection* host_connection = nullptr;

}  // namespace

void SetHostConnection(data::Connection& connection) { host_connection = &connection; }

data::Connection& HostConnection() {
  if (!host_connection) {
    throw data::DbError(data::error_number::kInvalidOperation,
                        "No host database connection has been handed in.");
  }
  return *host_connection;
}

}  // namespace vdimpexp::support
