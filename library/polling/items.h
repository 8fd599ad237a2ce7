// Subscription item names as the polling families read them, as pure
// functions over text:
//   "<system>.<name>", "<system>.Board<nn>.<name>",
//   "<system>.Board<nn>.CHAN<nnn>.<name>" ("BOARD" and "Chan" are accepted
//   too), several joined by ':'.
// The board number is read but not kept: a polling device is one board.
#pragma once

#include <string_view>
#include <vector>

namespace zevahv::polling {

struct ItemName {
    enum Kind { System, Board, Channel, Invalid } kind = Invalid;
    int channel = -1;        // Channel items
    std::string_view name;   // the parameter name (a view into the item)
};

// Splits an item list at ':'.  A null or empty list has no items.
std::vector<std::string_view> split_items(const char *list);

ItemName parse_item(std::string_view item);

}  // namespace zevahv::polling
