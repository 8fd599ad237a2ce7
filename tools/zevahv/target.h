#pragma once
// A parameter named on the command line, found on its board: its level
// (board or channel), its properties and the channels it is wanted on; and
// reading and writing it with the library's get and set calls.

#include <optional>
#include <string>
#include <vector>

#include "catalog.h"

namespace zcli {

class System;

struct Target {
    unsigned slot = 0;
    ParamInfo info;
    std::vector<unsigned short> channels;  // empty for a board parameter
};

// Finds `name` on the slot: a channel parameter when `channels` is given,
// else a board parameter if the board has one of that name, else a channel
// parameter on all channels.  Names match exactly, or without regard to
// case when only one does.  Throws Failure(kExitNotFound) for an unknown
// name, slot or channel.
Target resolve_param(const System& sys, const std::vector<Slot>& map, unsigned slot,
                     const std::string& name, const std::optional<std::string>& channels);

// The name among `names` that `wanted` means, if any (see resolve_param).
std::optional<std::string> match_name(const std::vector<std::string>& names,
                                      const std::string& wanted);

struct Reading {
    int channel = -1;  // -1 for a board parameter
    std::vector<unsigned char> bytes;
};

std::vector<Reading> read_values(const System& sys, const Target& t);
void write_value(const System& sys, const Target& t, const std::vector<unsigned char>& value);

// "FineGain on slot 0 channels 0-3": how messages name a target.
std::string target_label(const Target& t);

}  // namespace zcli
