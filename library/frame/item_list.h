// Building the item list of the subscribe wrappers: item names prefixed
// with the system's lock name and joined by ':'.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zevahv {

enum class ItemLevel { System, Board, Channel };

// Splits a ':'-joined name list (empty names included: "a::b" is three).
std::vector<std::string_view> split_names(std::string_view names);

// One item name: "%s.%s", "%s.Board%02d.%s" or "%s.Board%02d.CHAN%03d.%s".
std::string item_name(ItemLevel level, std::string_view lock_name, unsigned slot,
                      unsigned channel, std::string_view name);

// System names that are always delivered and never subscribed.
bool always_delivered(std::string_view name);

// The list of the names that are to be subscribed, joined by ':', and for
// each of them the position of its name in the caller's list.
struct ItemList {
    std::string text;
    std::vector<unsigned> positions;
};
ItemList build_item_list(ItemLevel level, std::string_view lock_name, unsigned slot,
                         unsigned channel, const std::vector<std::string_view> &names);

}  // namespace zevahv
