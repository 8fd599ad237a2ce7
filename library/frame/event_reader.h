// Reading the event frames of the library's polling threads from a client's
// connected socket.
#pragma once

#include "ZEVAHVLink.h"

namespace zevahv {

// How long a reader waits for a frame to begin, and at most for each
// further piece of it.
constexpr int kEventWaitMs = 15000;

// Reads the frames that have arrived and decodes their records: every frame
// that is all there already (a client that fell behind gets them in one
// array), or else the one frame that has begun, waited for piece by piece.
// Nothing past the last frame handed out is taken off the socket and
// nothing is kept between calls, so the socket always stands at the start
// of a frame and a poll() on it tells whether more is there.
// 0 with a malloc'd array (null for no records) and its count; 23 nothing
// began within wait_ms; 28 wait or receive failed, the peer closed or
// stalled mid-frame; 29 wrong header; 9 out of memory.
int read_local_event_frame(int sock, int wait_ms, IDValue_t **events, unsigned *count);

}  // namespace zevahv
