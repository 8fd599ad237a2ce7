#pragma once
// What a system says about itself, read through the description calls: the
// crate map, the parameter names of a board and a channel with their
// properties, the system properties and the commands.  Every list the
// library hands over is copied and released at once.

#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace zcli {

class System;

struct Slot {
    unsigned index = 0;
    unsigned channels = 0;
    std::string model;
    std::string description;
    unsigned serial = 0;
    unsigned fw_major = 0;
    unsigned fw_minor = 0;
    bool present() const { return channels > 0 || !model.empty(); }
};

// Everything the property calls tell about one board or channel parameter.
struct ParamInfo {
    std::string name;
    bool board = false;        // a board parameter (else a channel one)
    unsigned type = 0;         // ZEVAHV_PARAM_TYPE_*
    unsigned mode = 0;         // ZEVAHV_PARAM_MODE_*
    std::optional<float> min;  // "Minval", "Maxval"
    std::optional<float> max;
    int unit = 0;              // "Unit" code, 0 when not given
    int exp = 0;               // "Exp"
    // "Decimal" (or a W7300 crate's "Resol", its set resolution in
    // decimals); none when the system gives neither.
    std::optional<unsigned> decimals;
    std::string on_text;       // "Onstate", "Offstate" (two-state only)
    std::string off_text;
    std::vector<std::string> choices;  // "Enum" texts of Minval..Maxval

    bool readable() const;
    bool writable() const;
};

struct SysProp {
    std::string name;
    unsigned mode = 0;  // ZEVAHV_SYSPROP_MODE_*
    unsigned type = 0;  // ZEVAHV_SYSPROP_TYPE_*
};

std::vector<Slot> crate_map(const System& sys);
// The slot, or a Failure (not found) for a slot beyond the crate or empty.
const Slot& present_slot(const std::vector<Slot>& map, unsigned slot);

std::vector<std::string> board_param_names(const System& sys, unsigned slot);
std::vector<std::string> channel_param_names(const System& sys, unsigned slot, unsigned channel);

// channel -1: a board parameter.
ParamInfo describe_param(const System& sys, unsigned slot, int channel, const std::string& name);

// "Minval" and "Maxval" of a parameter of one channel (-1: the board's);
// channels of one board may have limits of their own.
std::pair<std::optional<float>, std::optional<float>> param_limits(const System& sys, unsigned slot,
                                                                   int channel, const std::string& name);

std::vector<std::string> sysprop_names(const System& sys);
SysProp sysprop_info(const System& sys, const std::string& name);
std::vector<std::string> command_names(const System& sys);

// The names of a parameter name list (10-byte fields up to an empty one),
// at most `limit` of them; pure, for tests.
std::vector<std::string> split_param_fields(const char* list, size_t limit);
// The names of a packed list (each ends with its NUL), `count` of them.
std::vector<std::string> split_packed(const char* list, unsigned count);

}  // namespace zcli
