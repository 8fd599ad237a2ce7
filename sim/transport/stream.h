#pragma once
// Serves one byte stream (a TCP connection or the master side of a
// pseudo-terminal): lines in, replies out, in order, until the peer goes.

#include <string_view>

#include "engine/simulator.h"

namespace sim {

// Writes all bytes, retrying on interruptions (send without SIGPIPE on a
// socket); false when the peer is gone.
bool write_all(int fd, std::string_view bytes, bool is_socket = true);

// `is_socket`: the stream is a connected socket that a close-midline fault
// may drop; a pseudo-terminal line cannot be dropped, it only loses the rest
// of the reply. Returns when the stream ends or is to be closed; the caller
// closes the descriptor.
void serve_stream(int fd, Simulator& sim, bool is_socket);

} // namespace sim
