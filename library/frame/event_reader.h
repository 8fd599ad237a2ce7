// Reading one polling-thread event frame from a connected socket.
#pragma once

#include "ZEVAHVLink.h"

namespace zevahv {

// How long a reader waits for a frame to begin, and at most for each
// further piece of it.
constexpr int kEventWaitMs = 15000;

// Reads one frame (header and whole body, nothing past it) and decodes its
// records.  0 with a malloc'd array (null for no records) and its count;
// 23 nothing began within wait_ms; 28 wait or receive failed, the peer
// closed or stalled mid-frame; 29 wrong header; 9 out of memory.
int read_local_event_frame(int sock, int wait_ms, IDValue_t **events, unsigned *count);

}  // namespace zevahv
