// The host's open database connection, as the current request handed it in.
// Every routine that touches the host database reaches it through here; the
// host owns the connection, so nothing here ever opens or closes it.
#pragma once

#include "data/connection.h"

namespace vdimpexp::support {

// Replaces the connection for the calling thread (each request sets it
// before its wizard runs). The connection must outlive its use.
void SetHostConnection(data::Connection& connection);

// Throws DbError when no request has set a connection on this thread.
data::Connection& HostConnection();

}  // namespace vdimpexp::support
