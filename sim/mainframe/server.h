#pragma once
// The mainframe's request port: every accepted client is served on a thread
// of its own, reading length-prefixed requests and writing the replies (or
// what the fault mode makes of them).

#include "mainframe/mainframe.h"

namespace sim::mf {

// Accepts clients on `listen_fd` for ever, on a background thread.
void serve_requests(int listen_fd, Mainframe& mainframe);

} // namespace sim::mf
