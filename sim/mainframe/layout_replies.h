#pragma once
// The reply data that describe the crate's layout: the system description
// (descriptor table and which descriptors each board and channel uses), the
// crate map, the composition (channel counts) and one board's identity.

#include <string>

#include "mainframe/crate.h"

namespace sim::mf {

// "GETSYSINFO": descriptor count, ':', the 32-byte descriptors (equal ones
// once), ':', board count and slots, ':', channel counts, then per board
// ":" count ":" indices ":" and per channel count ":" indices ":".
std::string system_info_data(const Crate& crate);
// "GETCRATEMAP": slot count, then per slot ':' and a 0 byte (empty) or
// model ':' description ':' serial (2) ':' firmware (2, major high).
std::string crate_map_data(const Crate& crate);
// "GETSYSCOMP": one crate (1 byte), ':', its slot count (2), ':', the
// channel count of every slot (4 each).
std::string composition_data(const Crate& crate);
// "TSTBDPRES": model ':' description ':' serial ':' firmware of a present board.
std::string board_identity_data(const Board& board);

} // namespace sim::mf
