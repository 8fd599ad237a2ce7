#include "polling/items.h"

#include "frame/fields.h"

namespace zevahv::polling {

namespace {

bool starts_with_word(std::string_view part, std::string_view a, std::string_view b,
                      std::string_view *digits) {
    for (std::string_view w : {a, b}) {
        if (part.substr(0, w.size()) == w) {
            *digits = part.substr(w.size());
            return true;
        }
    }
    return false;
}

// An item's board or channel number: 1 to 6 decimal digits.
bool parse_number(std::string_view digits, int *out) {
    unsigned v = 0;
    if (!parse_digits(digits, 6, &v)) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

std::vector<std::string_view> split_items(const char *list) {
    if (list == nullptr || *list == '\0') return {};
    return split_fields(list, ':');
}

ItemName parse_item(std::string_view item) {
    ItemName r;
    // The system part is everything up to the first '.'.
    std::size_t dot = item.find('.');
    if (dot == std::string_view::npos) {
        r.kind = ItemName::System;
        r.name = item;
        return r;
    }
    std::string_view rest = item.substr(dot + 1);
    std::size_t d2 = rest.find('.');
    std::string_view part = rest.substr(0, d2);
    std::string_view digits;
    int board = 0;
    if (d2 == std::string_view::npos || !starts_with_word(part, "Board", "BOARD", &digits)) {
        r.kind = ItemName::System;
        r.name = rest;
        return r;
    }
    if (!parse_number(digits, &board)) return r;  // Invalid
    rest = rest.substr(d2 + 1);
    std::size_t d3 = rest.find('.');
    if (d3 != std::string_view::npos &&
        starts_with_word(rest.substr(0, d3), "CHAN", "Chan", &digits)) {
        int ch = 0;
        if (!parse_number(digits, &ch)) return r;
        r.kind = ItemName::Channel;
        r.channel = ch;
        r.name = rest.substr(d3 + 1);
    } else {
        r.kind = ItemName::Board;
        r.name = rest;
    }
    if (r.name.empty()) r.kind = ItemName::Invalid;
    return r;
}

}  // namespace zevahv::polling
