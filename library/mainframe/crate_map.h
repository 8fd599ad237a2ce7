// The layout replies of a mainframe: the crate map ("GETCRATEMAP"), one
// slot ("TSTBDPRES") and the composition ("GETSYSCOMP").  Pure parsers over
// the reply data, bounds-checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mainframe/wire.h"

namespace zevahv::mainframe {

struct SlotInfo {
    bool present = false;
    std::string model, description;
    std::uint16_t serial = 0;
    std::uint8_t fw_major = 0, fw_minor = 0;
};

// count(2), then per slot ':' and either one 0 byte (empty slot) or
// model ':' description ':' serial(2) ':' release(2, major then minor).
bool parse_crate_map(Bytes data, std::vector<SlotInfo> *out);

// model ':' description ':' serial(2) ':' release(2).
bool parse_board_presence(Bytes data, SlotInfo *out);

// crates(1) ':' crates x 2 bytes (low byte: slots in the crate) ':' then per
// slot of every crate 4 bytes (low 16 bits: channels).  out receives one
// channel count per slot of the first crate.
bool parse_composition(Bytes data, std::vector<std::uint16_t> *out);

}  // namespace zevahv::mainframe
