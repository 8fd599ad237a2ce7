#include "engine/execute.h"

namespace sim {

namespace {

// The channels a command reaches: one, or all of them when the channel piece
// carries the channel count (the module's "all channels" form).
struct Reach {
    int first = 0;
    int last = 0;
    bool all = false;
};

std::optional<Refusal> reach_of(const Device& dev, const ParamDef& p, const Command& cmd,
                                Reach& r) {
    if (p.scope == Scope::Board || (p.scope == Scope::Either && !cmd.channel)) {
        if (cmd.channel) return Refusal::Ch; // a board word with a channel piece
        return std::nullopt;
    }
    if (!cmd.channel) return Refusal::Ch; // a channel word without one
    int ch = *cmd.channel;
    if (ch > dev.channels()) return Refusal::Ch;
    if (p.scope == Scope::Either && ch == dev.channels()) return Refusal::Ch;
    if (ch == dev.channels()) {
        r = {0, dev.channels() - 1, true};
    } else {
        r = {ch, ch, false};
    }
    return std::nullopt;
}

} // namespace

std::string execute(Device& dev, const Command& cmd) {
    const int board = cmd.board;
    if (cmd.set && dev.local) return refusal_reply(board, Refusal::Loc);

    int idx = dev.find(cmd.parameter);
    if (idx < 0) return refusal_reply(board, Refusal::Par);
    const ParamDef& p = dev.table()[idx];

    Reach r;
    if (auto refusal = reach_of(dev, p, cmd, r)) return refusal_reply(board, *refusal);

    if (!cmd.set) {
        // A write-only word cannot be monitored; the command is what is wrong.
        if (p.access == Access::W) return refusal_reply(board, Refusal::Cmd);
        std::string joined;
        for (int ch = r.first; ch <= r.last; ++ch) {
            auto v = dev.read(idx, ch);
            if (!v) return refusal_reply(board, Refusal::Cmd);
            if (ch != r.first) joined += ';';
            joined += *v;
        }
        return ok_reply(board, joined);
    }

    if (p.access == Access::R) return refusal_reply(board, Refusal::Cmd);
    if (p.kind == Kind::Action) {
        // ON, OFF and BDCLR carry no value; one sent anyway is ignored.
        for (int ch = r.first; ch <= r.last; ++ch)
            if (auto refusal = dev.act(idx, ch)) return refusal_reply(board, *refusal);
        return ok_reply(board, std::nullopt);
    }
    if (!cmd.value) return refusal_reply(board, Refusal::Val);
    // One value for every reached channel: a value the row refuses is refused
    // on the first channel, before anything has changed.
    for (int ch = r.first; ch <= r.last; ++ch) {
        if (auto refusal = dev.write(idx, ch, *cmd.value, Origin::Wire))
            return refusal_reply(board, *refusal);
    }
    return ok_reply(board, std::nullopt);
}

} // namespace sim
