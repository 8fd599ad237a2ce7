// Item names of subscriptions, as the frame builds them:
//   "<system>.<name>"                          a system item
//   "<system>.Board<nn>.<name>"                a board item
//   "<system>.Board<nn>.CHAN<nnn>.<name>"      a channel item ("Chan" too)
// and "KeepAlive" / "LiveInsRem", the mainframe's own notices.
#pragma once

#include <cstdint>
#include <string_view>

namespace zevahv::mainframe {

enum class ItemLevel : std::uint8_t { Channel = 0, Board = 1, System = 2, Notice = 3 };

struct ItemName {
    ItemLevel level = ItemLevel::System;
    std::string_view system;  // text before the first '.' (empty when none)
    std::uint16_t board = 0, channel = 0;
    std::string_view param;   // the part after the last '.'
};

// Splits a subscribed item name.  False when a "Board" or "CHAN" part has no
// number or the number does not fit, or nothing names a parameter.
bool parse_item_name(std::string_view item, ItemName *out);

}  // namespace zevahv::mainframe
