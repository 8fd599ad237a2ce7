#pragma once
// Requests and replies of the mainframe session. A request names its
// command as text, carries the session number the login gave (4 bytes
// after "NAME:") unless it is a login, and then, after another ':', its
// arguments. A reply repeats the name (and the session), then a 16-bit
// status, its text and, on success of a command that returns data, a ':'
// and the data.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim::mf {

// The two crate generations. They share framing and most commands; each
// has a few of its own (command table below).
enum class Generation { Current, Legacy };

struct CommandInfo {
    std::string_view name;
    bool session;     // the request carries the session number
    bool has_data;    // a successful reply carries data after the text
    bool current;     // served by the current generation
    bool legacy;      // served by the legacy generation
};

// The command of that name, or nothing for an unknown name.
const CommandInfo* find_command(std::string_view name);
bool served_by(const CommandInfo& c, Generation g);
// Every command name, for the help text and the wrong-name fault.
const CommandInfo* command_table(size_t& count);

struct Request {
    std::string name;
    const CommandInfo* command = nullptr; // null: unknown name
    std::optional<uint32_t> session;      // as sent (session commands)
    std::string args;                     // the bytes after the argument ':'
    bool has_args = false;                // an argument ':' was there
    bool malformed = false;               // session missing or not followed by ':'
};

// Splits one payload. Never fails: what cannot be read is marked malformed
// (a name that is not printable text is kept, shown by the log in \x form).
Request parse_request(std::string_view payload);

struct Reply {
    uint16_t status = 0;
    std::string text = "ok";
    std::string data; // sent only with status 0 and a command that has data
};

// The reply payload for `req` (name and session repeated as received).
std::string reply_payload(const Request& req, const Reply& reply);
// The same with another command's name in front (a fault mode).
std::string reply_payload_named(std::string_view name, const Request& req, const Reply& reply);

} // namespace sim::mf
