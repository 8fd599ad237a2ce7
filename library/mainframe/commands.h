// The command table of the mainframe protocol and the reading of a reply's
// header.  Both mainframe generations share one table: a command is marked
// with the generations that know it.
#pragma once

#include <cstdint>
#include <string_view>

#include "mainframe/wire.h"

namespace zevahv::mainframe {

// Which generation of mainframes knows a command.
enum GenerationMask : unsigned { kCurrent = 1, kLegacy = 2, kBoth = 3 };

struct Command {
    std::string_view name;
    bool in_session;        // the request (and the reply) carry the session number
    std::uint8_t args;      // number of request arguments (0: nothing after the header)
    std::uint8_t header;    // reply header fields (3 for the logins, 4 for the others)
    std::uint8_t data;      // reply data fields (0: the reply carries a status text only)
    unsigned generations;   // GenerationMask
};

// The command of that name known to the generation, or null.
const Command *find_command(std::string_view name, GenerationMask generation);

// What the header of a reply says.
struct ReplyHeader {
    std::int16_t status = 0;
    // The status text: the whole rest of the payload for a refusal or a
    // command without data, else up to the ':' before the data.
    std::string_view text;
    std::size_t data_offset = 0;  // where the data begin (payload size: none)
};

// Result of parse_reply for a payload that is no reply to the command.
constexpr int kReplyMismatch = -1;

// Reads the header of a reply payload to cmd: the command name and ':',
// the session number and ':' (commands in a session), the 16-bit status
// and ':', then the status text.  0 with the header filled in, or
// kReplyMismatch when the payload does not begin with the command's name or
// stops before the fields the header needs.  A successful reply of a
// command with data must have the ':' that ends its status text.
int parse_reply(Bytes payload, const Command &cmd, ReplyHeader *out);

}  // namespace zevahv::mainframe
