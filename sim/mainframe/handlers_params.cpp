// Board and channel parameter values: reads answer one raw 32-bit number per
// listed channel (or board); writes check every target first and then change
// all of them, so that a refused request changes nothing.
#include <variant>

#include "mainframe/bytes.h"
#include "mainframe/mainframe.h"
#include "mainframe/status.h"

namespace sim::mf {

namespace {

// [slot ':'] name ':' [raw (4) ':'] count (2) ':' count numbers (2 each)
struct ValueArgs {
    uint16_t slot = 0;
    std::string name;
    uint32_t raw = 0;
    std::vector<uint16_t> list;
};

std::optional<ValueArgs> parse_value_args(std::string_view args, bool with_slot, bool with_value) {
    ByteReader r(args);
    ValueArgs a;
    if (with_slot) {
        auto slot = r.u16();
        if (!slot || !r.colon()) return std::nullopt;
        a.slot = *slot;
    }
    auto name = r.text_until(':');
    if (!name) return std::nullopt;
    a.name = std::string(*name);
    if (with_value) {
        auto raw = r.u32();
        if (!raw || !r.colon()) return std::nullopt;
        a.raw = *raw;
    }
    auto count = r.u16();
    if (!count || !r.colon() || r.left() != 2u * *count) return std::nullopt;
    for (uint16_t i = 0; i < *count; ++i) a.list.push_back(*r.u16());
    return a;
}

struct Target {
    Board* board;
    int channel; // -1: a board parameter
    int index;
    const ParamDesc& desc() const {
        return channel < 0 ? board->params()[index] : board->channels[channel].params()[index];
    }
};

bool value_fits(const ParamDesc& d, uint32_t raw) {
    switch (d.type) {
    case kTypeOnOff: return raw <= 1;
    case kTypeNumeric:
    case kTypeEnum: return d.in_range(d.interpret(raw));
    default: return true;
    }
}

using Resolved = std::variant<Reply, std::vector<Target>>;

// The boards and channels a value request names, or the refusal: layout
// changed since the session last read it 20, slot or channel beyond the
// crate or board 10, empty slot 7, name unknown there 22.
Resolved resolve(Crate& crate, bool stale, const ValueArgs& a, bool channels) {
    if (stale) return refusal(kStatusConfigChanged, kTextConfigChanged);
    std::vector<Target> out;
    auto board_at = [&](uint16_t slot) -> std::variant<Reply, Board*> {
        if (slot >= crate.slots()) return refusal(kStatusOutOfRange, kTextOutOfRange);
        Board* b = crate.board(slot);
        if (!b) return refusal(kStatusSlotAbsent, kTextSlotAbsent);
        return b;
    };
    if (channels) {
        auto b = board_at(a.slot);
        if (auto* r = std::get_if<Reply>(&b)) return *r;
        Board* board = std::get<Board*>(b);
        for (uint16_t ch : a.list) {
            if (ch >= board->channels.size()) return refusal(kStatusOutOfRange, kTextOutOfRange);
            int idx = board->find_channel_param(ch, a.name);
            if (idx < 0) return refusal(kStatusParamNotFound, kTextParamNotFound);
            out.push_back({board, ch, idx});
        }
    } else {
        for (uint16_t slot : a.list) {
            auto b = board_at(slot);
            if (auto* r = std::get_if<Reply>(&b)) return *r;
            Board* board = std::get<Board*>(b);
            int idx = board->find_param(a.name);
            if (idx < 0) return refusal(kStatusParamNotFound, kTextParamNotFound);
            out.push_back({board, -1, idx});
        }
    }
    return out;
}

} // namespace

Reply Mainframe::get_param(Connection& c, const Request& req) {
    bool channels = req.name == "GETCHPARAM";
    auto a = parse_value_args(req.args, channels, false);
    if (!a) return refusal(kStatusBadRequest, kTextBadRequest);
    auto targets = resolve(crate_, c.seen_layout != crate_.layout_generation(), *a, channels);
    if (auto* r = std::get_if<Reply>(&targets)) return *r;
    ByteWriter w;
    for (const Target& t : std::get<std::vector<Target>>(targets))
        w.u32(t.channel < 0 ? crate_.read_board(*t.board, t.index)
                            : crate_.read_channel(*t.board, t.channel, t.index));
    Reply r;
    r.data = w.take();
    return r;
}

Reply Mainframe::set_param(Connection& c, const Request& req) {
    bool channels = req.name == "SETCHPARAM";
    auto a = parse_value_args(req.args, channels, true);
    if (!a) return refusal(kStatusBadRequest, kTextBadRequest);
    auto resolved = resolve(crate_, c.seen_layout != crate_.layout_generation(), *a, channels);
    if (auto* r = std::get_if<Reply>(&resolved)) return *r;
    auto& targets = std::get<std::vector<Target>>(resolved);
    if (!c.may_write) return refusal(kStatusReadOnly, kTextNoWriteAccess);
    for (const Target& t : targets) {
        if (!t.desc().writable) return refusal(kStatusReadOnly, kTextReadOnly);
        if (!value_fits(t.desc(), a->raw)) return refusal(kStatusOutOfRange, kTextOutOfRange);
    }
    for (const Target& t : targets) {
        if (t.channel < 0) crate_.write_board(*t.board, t.index, a->raw);
        else crate_.write_channel(*t.board, t.channel, t.index, a->raw);
    }
    return Reply{};
}

} // namespace sim::mf
