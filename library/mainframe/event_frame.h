// The event frames a mainframe streams to the client's event port:
//   header (45 bytes, numbers big-endian):
//     0 "ZEVAHV", 6 two unused bytes, 8 three unused 32-bit numbers,
//     20 item count n, 24 state bytes of boards 0..15, 40 state byte of the
//     system, 41 total frame length (header included)
//   then n items: identifier (4), value form (2: 0 a number, else text),
//   value length L (2), L value bytes.
// Identifier: top byte the slot (254 a notice of the mainframe, 16..253 a
// system item), next 16 bits the channel (0xFFFF for a board item), low
// byte the item's index.
//
// Pure functions over bytes: the socket reading is elsewhere.
#pragma once

#include <cstdint>

#include "ZEVAHVLink.h"
#include "mainframe/description.h"
#include "mainframe/item_registry.h"
#include "mainframe/wire.h"

namespace zevahv::mainframe {

constexpr std::size_t kFrameHeaderSize = 45;
// A frame announcing more than this is refused rather than allocated.
constexpr std::uint32_t kMaxFrameSize = 16u * 1024u * 1024u;

struct FrameHeader {
    std::uint32_t items = 0;
    std::uint32_t body_size = 0;  // total length minus the header
    ZEVAHV_SYSTEMSTATUS_t status{};
};

// The status value of a state byte: 1 -> 0, 2..10 -> 1, 11 -> 2, else 3.
int state_value(std::uint8_t state);

// Checks a header: 0, or 29 for a wrong magic, fewer than 45 bytes, a total
// length below the header or above kMaxFrameSize.
int parse_frame_header(Bytes header, FrameHeader *out);

// Decodes the n items of a body into records: names and kinds from the
// subscribed items, numbers converted with the descriptor kept with the
// item or, else, with the description.  out has room for max(n, 1)
// zero-filled records; *made receives how many were written.  0, 20 when a
// subscribed board or channel item is no longer in the description, 29
// when an item runs past the body.  With no record made, one "KeepAlive"
// record stands for the frame.
int decode_frame_items(Bytes body, std::uint32_t n, const SystemDescription *description,
                       const ItemRegistry::Map &items, int handle, IDValue_t *out,
                       std::size_t *made);

}  // namespace zevahv::mainframe
