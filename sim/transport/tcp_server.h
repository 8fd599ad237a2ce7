#pragma once
// A TCP listener on the given IPv4 address; every accepted client is served
// on a thread of its own, so any number of clients may talk at once.

#include <string>

#include "engine/simulator.h"

namespace sim {

// Binds and listens; returns the listening descriptor and the bound port, or
// -1 with `error` filled.
int tcp_listen(const std::string& host, int port, int& bound_port, std::string& error);
// Accepts clients for ever on a background thread.
void tcp_serve(int listen_fd, Simulator& sim);

} // namespace sim
