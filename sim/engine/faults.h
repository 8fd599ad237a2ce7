#pragma once
// Misbehaviour on demand, for tests of a client's error paths: a fault mode
// turns each reply the module would send into what a broken module, cable
// or converter would put on the line instead.

#include <optional>
#include <string>
#include <string_view>

#include "wire/dialect.h"

namespace sim {

enum class FaultMode { None, Silent, Delay, CloseMidline, LongLine, NoEol, WrongBoard, Garbage };

struct Fault {
    FaultMode mode = FaultMode::None;
    int arg = 0; // Delay: milliseconds; LongLine: bytes
};

// Reads "silent", "delay 300", "long-line 5000" ... ; nothing on a bad text.
std::optional<Fault> parse_fault(std::string_view text);
const char* fault_name(FaultMode m);

// What is sent for one reply.
struct Delivery {
    std::string bytes;     // may be empty (silent)
    int delay_ms = 0;      // wait this long before sending
    bool close_after = false; // then drop the connection
};

// `reply` is a complete reply line with its "\r\n" in `dialect`'s words.
Delivery apply_fault(const Fault& f, const std::string& reply, const Dialect& dialect,
                     unsigned seed);

} // namespace sim
