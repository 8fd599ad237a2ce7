// The event messages of the legacy mainframes (UDP datagrams, numbers
// big-endian):
//   0  "ZEVA"
//   4  form: bytes 1, 0 = one event; anything else = a batch
//   one event:  6 text flag, 7 always 1, 8 sequence (4), 12 milliseconds
//               (4), 16 the item identifier (4), 20 the value
//   a batch:    6 message length (2 bytes, must equal what was received),
//               8 event count (2 bytes), 10 the events one after the other:
//               text flag (1), 1 (1), sequence (4), milliseconds (4),
//               identifier (4), the value
// A value is its length L (2), two zero bytes, and L bytes: a raw number
// (4 bytes) or a text without NUL.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "mainframe/wire.h"

namespace zevahv::mainframe {

constexpr std::size_t kLegacyMinMessage = 28;  // one event with a number
constexpr std::size_t kLegacyMaxMessage = 4096;

struct LegacyEvent {
    std::uint32_t id = 0;
    bool text = false;
    std::uint32_t number = 0;
    std::string_view text_value;  // inside the message
};

// 0 and the events, 1 for a message shorter than 28 bytes, 23 for a wrong
// magic, a batch whose length disagrees with the message, or events that
// run past its end.
int parse_legacy_message(Bytes message, std::vector<LegacyEvent> *out);

}  // namespace zevahv::mainframe
