#include "mainframe/item_names.h"

namespace zevahv::mainframe {

namespace {

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// "<word><digits>." at the front of rest: the number, and rest moved past it.
bool numbered(std::string_view *rest, std::string_view word, std::uint16_t *number) {
    std::string_view s = rest->substr(word.size());
    std::uint32_t v = 0;
    std::size_t i = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + static_cast<std::uint32_t>(s[i] - '0');
        if (v > 0xFFFF) return false;
        ++i;
    }
    if (i == 0 || i >= s.size() || s[i] != '.') return false;
    *number = static_cast<std::uint16_t>(v);
    *rest = s.substr(i + 1);
    return true;
}

}  // namespace

bool parse_item_name(std::string_view item, ItemName *out) {
    ItemName n;
    if (item == "KeepAlive" || item == "LiveInsRem") {
        n.level = ItemLevel::Notice;
        n.param = item;
        *out = n;
        return true;
    }
    std::string_view rest = item;
    if (const auto dot = item.find('.'); dot != std::string_view::npos) {
        n.system = item.substr(0, dot);
        rest = item.substr(dot + 1);
    }
    n.level = ItemLevel::System;
    if (starts_with(rest, "Board")) {
        if (!numbered(&rest, "Board", &n.board)) return false;
        n.level = ItemLevel::Board;
        if (starts_with(rest, "CHAN") || starts_with(rest, "Chan")) {
            if (!numbered(&rest, "CHAN", &n.channel)) return false;
            n.level = ItemLevel::Channel;
        }
    }
    if (const auto dot = rest.rfind('.'); dot != std::string_view::npos) rest = rest.substr(dot + 1);
    if (rest.empty()) return false;
    n.param = rest;
    *out = n;
    return true;
}

}  // namespace zevahv::mainframe
