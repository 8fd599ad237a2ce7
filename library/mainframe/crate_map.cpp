#include "mainframe/crate_map.h"

namespace zevahv::mainframe {

namespace {

// The fields of a present slot, from its model text on.
bool parse_slot(Cursor &in, SlotInfo *s) {
    s->model = in.text_to_sep();
    s->description = in.text_to_sep();
    s->serial = in.u16();
    in.sep();
    const std::uint16_t release = in.u16();
    s->fw_major = static_cast<std::uint8_t>(release >> 8);
    s->fw_minor = static_cast<std::uint8_t>(release);
    s->present = in.ok();
    return in.ok();
}

}  // namespace

bool parse_crate_map(Bytes data, std::vector<SlotInfo> *out) {
    Cursor in(data);
    const std::size_t count = in.u16();
    // Every slot takes at least its ':' and one byte.
    if (!in.ok() || count * 2 > in.left()) return false;
    std::vector<SlotInfo> slots(count);
    for (SlotInfo &s : slots) {
        if (!in.sep()) return false;
        if (in.left() > 0 && data[in.pos()] == 0) {
            in.u8();
            continue;
        }
        if (!parse_slot(in, &s)) return false;
    }
    *out = std::move(slots);
    return true;
}

bool parse_board_presence(Bytes data, SlotInfo *out) {
    Cursor in(data);
    SlotInfo s;
    if (!parse_slot(in, &s)) return false;
    *out = std::move(s);
    return true;
}

bool parse_composition(Bytes data, std::vector<std::uint16_t> *out) {
    Cursor in(data);
    const std::size_t crates = in.u8();
    in.sep();
    if (!in.ok() || crates == 0 || crates * 2 > in.left()) return false;
    std::size_t total = 0, first = 0;
    for (std::size_t c = 0; c < crates; ++c) {
        const std::size_t slots = in.u16() & 0xFFu;
        if (c == 0) first = slots;
        total += slots;
    }
    in.sep();
    if (!in.ok() || total * 4 > in.left()) return false;
    std::vector<std::uint16_t> channels(first);
    for (std::size_t i = 0; i < total; ++i) {
        const std::uint32_t v = in.u32();
        if (i < first) channels[i] = static_cast<std::uint16_t>(v);
    }
    if (!in.ok()) return false;
    *out = std::move(channels);
    return true;
}

}  // namespace zevahv::mainframe
