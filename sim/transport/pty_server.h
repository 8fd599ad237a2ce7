#pragma once
// A pseudo-terminal in raw mode standing in for a serial line: the client
// opens the slave path like a serial port; all boards share the one line.

#include <string>

#include "engine/simulator.h"

namespace sim {

// Creates the terminal; returns the master descriptor and the slave path, or
// -1 with `error` filled.
int pty_open(std::string& path, std::string& error);
// Serves the line for ever on a background thread.
void pty_serve(int master_fd, Simulator& sim);

} // namespace sim
