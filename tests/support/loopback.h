#pragma once
// The client side of event connections, without a test framework: a
// listening socket on 127.0.0.1 at a port the kernel picks, and an accept
// that waits at most a given time.

#include <string>

// A loopback address that no other test process uses at the same time
// (a simulated crate's own address, whose port may be fixed).
std::string private_loopback_host();

// The listening socket (port in *port), or -1.
int listen_local(unsigned short* port, int backlog = 64);
// One accepted connection, or -1 when none arrives within ms.
int accept_within(int listen_fd, int ms);
