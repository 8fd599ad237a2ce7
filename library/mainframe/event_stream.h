// Reading the mainframe's event frames from the socket the client accepted.
#pragma once

#include "ZEVAHVLink.h"
#include "frame/backend.h"
#include "mainframe/connection.h"

namespace zevahv::mainframe {

// How long the reader waits for a frame to begin, and for each later part.
constexpr int kFrameWaitMs = kPeerFrameWaitMs;

// Reads exactly one frame and decodes it with the connection's subscribed
// items and description.  0 with a malloc'd array (null for none) and its
// count; 23 nothing in time; 28 receive failed or the peer closed; 29 a
// wrong frame; 20 the layout changed; 9 out of memory.
int read_event_frame(Connection &c, int sock, ZEVAHV_SYSTEMSTATUS_t *status,
                     IDValue_t **events, unsigned *count);

// Reads exactly n bytes, waiting at most wait_ms whenever none are ready:
// 0, 23 (no data in time), 28 (error or end of stream).
int read_exactly(int sock, unsigned char *buf, std::size_t n, int wait_ms);

}  // namespace zevahv::mainframe
