#pragma once
// Misbehaviour of the request connection on demand, for tests of a
// client's error paths: each mode turns the reply the crate would send into
// what a broken, slow or confused server would send instead. A mode may be
// limited to the replies of one command ("... for GETCHPARAM").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mainframe/request.h"

namespace sim::mf {

enum class ReplyFaultMode {
    None,
    Silent,        // no reply; the connection stays open
    Delay,         // the reply, arg milliseconds late
    CloseMidReply, // the first half of the framed reply, then the connection closes
    Drop,          // the connection closes without a reply
    WrongName,     // the reply names another command (text, default GETSWREL)
    Length,        // the length prefix announces arg bytes; the payload follows as it is
    Garbage,       // a framed payload of 24 noise bytes
    CutData,       // the reply data cut to arg bytes (the frame stays consistent)
    Refuse,        // the status code `code` with `text` instead of the answer
};

struct ReplyFault {
    ReplyFaultMode mode = ReplyFaultMode::None;
    uint32_t arg = 0;
    uint16_t code = 0;
    std::string text;
    std::string only; // a command name: the fault touches only its replies

    bool applies_to(std::string_view command) const { return only.empty() || only == command; }
};

// "silent", "delay 300", "refuse 12 Property yet not avalaible for GETCPULOAD" ...
std::optional<ReplyFault> parse_reply_fault(std::string_view text);
const char* reply_fault_name(ReplyFaultMode m);

struct Outgoing {
    std::string bytes;        // may be empty (silent, drop)
    int delay_ms = 0;         // wait this long before sending
    bool close_after = false; // then close the connection
};

Outgoing deliver(const ReplyFault& f, const Request& req, Reply reply, unsigned seed);

} // namespace sim::mf
