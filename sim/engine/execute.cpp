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

std::optional<Refusal> reach_of(const Device& dev, int idx, const Command& cmd, Reach& r) {
    const ParamDef& p = dev.table()[idx];
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
        if (!dev.on_channel(idx, ch)) return Refusal::Par; // not one of this channel's words
        r = {ch, ch, false};
    }
    return std::nullopt;
}

Outcome refused(Refusal r) { return {r, std::nullopt}; }

} // namespace

Outcome execute(Device& dev, const Command& cmd) {
    const bool set = cmd.verb == Verb::Set;
    if (set && dev.local) return refused(Refusal::Loc);

    int idx = dev.find(cmd.parameter);
    if (idx < 0) return refused(Refusal::Par);
    const ParamDef& p = dev.table()[idx];

    Reach r;
    if (auto refusal = reach_of(dev, idx, cmd, r)) return refused(*refusal);

    if (cmd.verb == Verb::Info) {
        if (r.all) return refused(Refusal::Ch);
        auto d = dev.info(idx, r.first);
        if (!d) return refused(Refusal::Cmd);
        return {std::nullopt, *d};
    }

    if (!set) {
        // A write-only word cannot be monitored; the command is what is wrong.
        if (p.access == Access::W) return refused(Refusal::Cmd);
        std::string joined;
        for (int ch = r.first; ch <= r.last; ++ch) {
            if (ch != r.first) joined += ';';
            // In the all-channel form a channel without the word leaves its
            // place empty, so that the others keep their positions.
            if (r.all && !dev.on_channel(idx, ch)) continue;
            auto v = dev.read(idx, ch);
            if (!v) return refused(Refusal::Cmd);
            joined += *v;
        }
        return {std::nullopt, joined};
    }

    if (p.access == Access::R) return refused(Refusal::Cmd);
    if (p.kind == Kind::Action) {
        // ON, OFF and BDCLR carry no value; one sent anyway is ignored.
        for (int ch = r.first; ch <= r.last; ++ch)
            if (dev.on_channel(idx, ch))
                if (auto refusal = dev.act(idx, ch)) return refused(*refusal);
        return {};
    }
    if (!cmd.value) return refused(Refusal::Val);
    // One value for every reached channel: a value the row refuses is refused
    // on the first channel, before anything has changed.
    for (int ch = r.first; ch <= r.last; ++ch) {
        if (!dev.on_channel(idx, ch)) continue;
        if (auto refusal = dev.write(idx, ch, *cmd.value, Origin::Wire)) return refused(*refusal);
    }
    return {};
}

std::string respond(Device& dev, const Dialect& dialect, const ParsedLine& line) {
    if (line.refusal) return dialect.refusal(line.command, *line.refusal);
    return dialect.reply(line.command, execute(dev, line.command));
}

} // namespace sim
