#include "modules/event_items.h"

#include <cstring>

namespace zevahv::modules {

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

ItemRef parse_item(std::string_view item) {
    ItemRef r;
    // The system part is everything up to the first '.'.
    std::size_t dot = item.find('.');
    if (dot == std::string_view::npos) {
        r.kind = ItemRef::System;
        r.name = item;
        return r;
    }
    std::string_view rest = item.substr(dot + 1);
    std::size_t d2 = rest.find('.');
    std::string_view part = rest.substr(0, d2);
    std::string_view digits;
    int board = 0;
    if (d2 == std::string_view::npos || !starts_with_word(part, "Board", "BOARD", &digits)) {
        r.kind = ItemRef::System;
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
        r.kind = ItemRef::Channel;
        r.channel = ch;
        r.name = rest.substr(d3 + 1);
    } else {
        r.kind = ItemRef::Board;
        r.name = rest;
    }
    if (r.name.empty()) r.kind = ItemRef::Invalid;
    return r;
}

void fill_record(IDValue_t *rec, int type, int system, int board, int channel,
                 std::string_view item, const void *value, std::size_t value_len) {
    std::memset(rec, 0, sizeof *rec);
    rec->Type = type;
    rec->SystemHandle = system;
    rec->BoardIndex = board;
    rec->ChannelIndex = channel;
    // Names longer than the item field are cut, always terminated.
    std::size_t n = std::min(item.size(), sizeof rec->Item - 1);
    std::memcpy(rec->Item, item.data(), n);
    if (value && value_len) {
        // Text is always terminated inside the field.
        std::size_t room = type == 5 ? sizeof rec->Value - 1 : sizeof rec->Value;
        std::memcpy(rec->Value, value, std::min(value_len, room));
    }
}

std::string build_frame(const std::vector<IDValue_t> &records) {
    const std::uint64_t total = kFrameHeaderSize + sizeof(IDValue_t) * records.size();
    std::string out;
    out.reserve(total);
    out.append("ZEVAHV", 6);
    const auto len = static_cast<std::uint32_t>(total);
    const char be[4] = {static_cast<char>(len >> 24), static_cast<char>(len >> 16),
                        static_cast<char>(len >> 8), static_cast<char>(len)};
    out.append(be, 4);
    if (!records.empty())
        out.append(reinterpret_cast<const char *>(records.data()),
                   sizeof(IDValue_t) * records.size());
    return out;
}

}  // namespace zevahv::modules
