// What tells the two mainframe generations apart.  The protocol layer and
// every command function are written once; a generation is a row of this
// table: the commands it knows, how it logs in and subscribes, its system
// properties, and the few places where it formats or decodes differently.
#pragma once

#include <cstdint>
#include <span>

#include "mainframe/commands.h"

namespace zevahv::mainframe {

// One system property or command of a mainframe.
struct SysProp {
    const char *name;
    std::uint8_t mode;        // 0 read-only, 1 write-only, 2 read-write, 3 command
    const char *get_command;  // null: none
    const char *set_command;  // null: none
    bool available;
    int number;               // what the reply and the argument look like
    std::uint8_t info_mode;   // what ZEVAHV_GetSysPropInfo reports
    std::uint8_t info_type;
    unsigned generations;     // GenerationMask: who has it
};
constexpr std::uint8_t kModeCommand = 3;

struct Generation {
    int family;                       // family code of the frame
    GenerationMask commands;          // the commands and properties it has
    const char *login_command;
    // The address handed to the login is "<model>:<address>" (the text
    // after the first ':' is the address) rather than the address itself.
    bool address_after_model;
    const char *subscribe_command;
    const char *unsubscribe_command;
    // "HvPwSM": board model names for the codes 1 and 2 (else numbers).
    bool power_module_names;
    // Property 22 is a one-bit output level (else a crate number).
    bool property22_one_bit;
    // Refusal identifiers -3 and -2 of a subscription answer 253 and 254
    // (else every refusal answers 255).
    bool graded_refusals;
    // Event values are decoded with the descriptor copied at subscription
    // (else with the description current when the event arrives).
    bool decode_with_subscribed_descriptor;
    // The connection's item store could not be had at login.
    const char *no_item_store_text;
};

extern const Generation kCurrentGeneration;
extern const Generation kLegacyGeneration;

// The properties and commands of every generation, in the order of their
// numbers; an entry is the generation's when its mask has the generation's.
std::span<const SysProp> all_properties();
inline bool has(const Generation &g, const SysProp &p) { return (p.generations & g.commands) != 0; }

// The generation's property or command of that name, or null.
const SysProp *find_property(const Generation &g, std::string_view name);

}  // namespace zevahv::mainframe
