#pragma once
// A TCP listener on the given IPv4 address; every accepted client is served
// on a thread of its own, so any number of clients may talk at once.

#include <functional>
#include <string>

#include "engine/simulator.h"

namespace sim {

// Binds and listens; returns the listening descriptor and the bound port, or
// -1 with `error` filled.
int tcp_listen(const std::string& host, int port, int& bound_port, std::string& error);
// Accepts clients for ever on a background thread; each is served by
// `serve` (its socket and its peer's address) on a thread of its own, and
// its socket closed after.
void tcp_accept_loop(int listen_fd, std::function<void(int fd, const std::string& peer)> serve);
// The module simulators' serving: command lines in, replies out.
void tcp_serve(int listen_fd, Simulator& sim);

} // namespace sim
