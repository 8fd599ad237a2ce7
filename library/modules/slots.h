// The engine's own view of a family: its table of module slots, and the
// value conversions that the parameter calls and the polling thread share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "modules/module.h"

namespace zevahv::modules {

// The module slot behind an operation's context.
inline Module &module_of(void *ctx) { return backend_context<Module>(ctx); }

// Clears a slot back to free (its thread must have ended, its link dropped).
void clear_slot(Module &m);

// One value as it travels to a client.
struct Value {
    unsigned type = 0;   // the row's value type
    float f = 0;         // numeric
    std::uint32_t u = 0; // on/off, status, enumeration, raw
    std::string text;    // text rows
};

// Converts a module's value text for a row and channel (-1: board).
// Range-switch rows also record the channel's range.  False when the text is
// not what the row's type needs.
bool convert_value(Module &m, const Row &row, int channel, std::string_view text, Value *out);

// True when a monitor row reads as 0 without asking the module, because the
// channel's current range is the other one.
bool monitor_out_of_range(const Module &m, const Row &row, int channel);

// The mnemonic that reads a row (rows of Role::Power read the status word).
std::string_view read_mnemonic(const Module &m, const Row &row);

// Reads one value: 0 or an exchange error number (-1 for a value text that
// does not convert).
int read_value(Module &m, const Row &row, int channel, Value *out);

// Writes one value taken from the caller's 4-byte element (text rows: a
// NUL-terminated text).  0 or an error number.
int write_value(Module &m, const Row &row, int channel, const void *value);

// Starts the slot's polling service (modules/poll_feed.cpp).
bool start_polling(Module &m);

// The identification text that opens an event connection.
std::string event_ident(const Module &m);

}  // namespace zevahv::modules
