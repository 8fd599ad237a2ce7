#pragma once
// The crate's system properties as the server keeps them: each has a get
// command (and perhaps a set command) and a wire form for its data. Most are
// stored values; a few follow the crate (power-supply current with the
// channels that are on, fan speeds with the fan setting, CPU load).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mainframe/crate_spec.h"
#include "mainframe/event_frames.h"
#include "mainframe/request.h"

namespace sim::mf {

enum class PropForm {
    Text,    // the text itself
    Byte,    // 1 byte; set as high byte ':' low byte
    U16,     // 2 bytes big-endian
    U32,     // 4 bytes big-endian
    Bytes,   // a fixed run of bytes (power-supply module codes, fan groups)
    Fans,    // groups of status byte and 16-bit speed, following HVFanSpeed
    SysName, // "MODEL,SYMBOLIC NAME"
};

struct PropDef {
    const char* name;
    const char* get;
    const char* set; // nullptr: read-only
    PropForm form;
    uint32_t min = 0, max = 0; // limits of a set from the wire (numbers)
    bool address = false;      // a dotted IPv4 address text
};

struct PropState {
    uint32_t number = 0;
    std::string text;
    std::vector<uint8_t> bytes;
};

class SystemProps {
public:
    explicit SystemProps(const CrateSpec& spec);

    // Applies the crate file's start values; an error text for a bad one.
    std::optional<std::string> apply_start_values(const CrateSpec& spec);

    // The reply to a get or set command of a property; nothing when the
    // command is none of theirs. `channels_on` feeds the derived values.
    std::optional<Reply> serve(std::string_view command, std::string_view args, int channels_on);

    // Control channel: show or change a property by name, as the crate's own
    // firmware or front panel would (any value its field holds).
    std::optional<std::string> show(std::string_view name, int channels_on) const;
    std::optional<std::string> force(std::string_view name, std::string_view value);

    // The property at `index` of table() as a pushed event item: numbers as
    // numbers, everything else as its text.
    EventItem event_item(size_t index, uint32_t id, int channels_on) const;
    // The index of a property in table(), or -1.
    static int index_of(std::string_view name);

    static const std::vector<PropDef>& table();

private:
    std::string data_of(const PropDef& def, int channels_on) const;
    const PropDef* by_name(std::string_view name) const;

    std::string model_;
    std::vector<PropState> state_; // parallel to table()
};

// The reply of a refused request.
Reply refusal(uint16_t code, std::string text);

} // namespace sim::mf
