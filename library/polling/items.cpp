#include "polling/items.h"

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

bool parse_number(std::string_view digits, int *out) {
    if (digits.empty() || digits.size() > 6) return false;
    int v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

}  // namespace

std::vector<std::string_view> split_items(const char *list) {
    std::vector<std::string_view> out;
    if (!list || !*list) return out;
    std::string_view s = list;
    std::size_t start = 0;
    for (;;) {
        std::size_t pos = s.find(':', start);
        out.push_back(s.substr(start, pos == std::string_view::npos ? pos : pos - start));
        if (pos == std::string_view::npos) return out;
        start = pos + 1;
    }
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
