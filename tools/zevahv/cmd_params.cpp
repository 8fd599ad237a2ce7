// params: the board and channel parameters of a slot with their properties.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>

#include "catalog.h"
#include "channels.h"
#include "commands.h"
#include "failure.h"
#include "output.h"
#include "param_view.h"
#include "system.h"

namespace zcli {

namespace {

struct ParamsOptions {
    std::optional<unsigned> slot;
    std::optional<unsigned> channel;
    bool board_only = false;
};

std::vector<ParamInfo> describe_all(const System& sys, unsigned slot, int channel,
                                    const std::vector<std::string>& names) {
    std::vector<ParamInfo> out;
    for (const auto& n : names) out.push_back(describe_param(sys, slot, channel, n));
    return out;
}

int run_params(const System& sys, const Globals& g, const ParamsOptions& o) {
    std::vector<Slot> map = crate_map(sys);
    std::vector<unsigned> slots;
    if (o.slot) {
        present_slot(map, *o.slot);
        slots.push_back(*o.slot);
    } else {
        for (const auto& s : map)
            if (s.present()) slots.push_back(s.index);
    }

    Json doc = Json::array();
    for (unsigned slot : slots) {
        const Slot& s = map[slot];
        std::vector<ParamInfo> board, chan;
        if (!o.channel) board = describe_all(sys, slot, -1, board_param_names(sys, slot));
        unsigned ch = o.channel.value_or(0);
        if (o.channel && ch >= s.channels) parse_channels(std::to_string(ch), s.channels);
        bool with_channels = !o.board_only && s.channels > 0;
        if (with_channels)
            chan = describe_all(sys, slot, static_cast<int>(ch), channel_param_names(sys, slot, ch));

        if (g.json) {
            Json j = {{"slot", slot}, {"model", s.model}, {"channels", s.channels}};
            if (!o.channel) {
                j["board"] = Json::array();
                for (const auto& p : board) j["board"].push_back(param_json(p));
            }
            if (with_channels) {
                j["channel"] = ch;
                j["channel_parameters"] = Json::array();
                for (const auto& p : chan) j["channel_parameters"].push_back(param_json(p));
            }
            doc.push_back(j);
            continue;
        }
        if (slot != slots.front()) std::cout << '\n';
        std::cout << "slot " << slot << ": " << s.model << ", " << s.channels << " channel"
                  << (s.channels == 1 ? "" : "s") << '\n';
        if (!o.channel) {
            std::cout << "board parameters:";
            if (board.empty()) std::cout << " none";
            std::cout << '\n';
            Table t(param_header());
            for (const auto& p : board) t.add(param_row(p));
            if (!t.empty()) t.print(std::cout, "  ");
        }
        if (with_channels) {
            std::cout << "channel parameters (channel " << ch << "):";
            if (chan.empty()) std::cout << " none";
            std::cout << '\n';
            Table t(param_header());
            for (const auto& p : chan) t.add(param_row(p));
            if (!t.empty()) t.print(std::cout, "  ");
        }
    }
    if (g.json) print_json(doc);
    return kExitOk;
}

}  // namespace

void add_params(CLI::App& app, Action& action) {
    auto o = std::make_shared<ParamsOptions>();
    CLI::App* sub = app.add_subcommand(
        "params", "The board and channel parameters with type, mode, unit, limits and choices");
    sub->add_option("slot", o->slot, "Slot to describe (default: every slot with a board)");
    CLI::Option* channel = sub->add_option("-c,--channel", o->channel,
                                           "Only the channel parameters, as this channel has them");
    sub->add_flag("-b,--board", o->board_only, "Only the board parameters")->excludes(channel);
    sub->footer(footer(R"HELP(Without --channel the board parameters are listed, then the channel
parameters as channel 0 has them.  Types: numeric, on/off, choice, text,
ch-status, bd-status, raw, command; modes: R (read-only), W (write-only), RW.
The JSON output is a list with one object per slot.

Examples:
  zevahv --system q2906 --address 127.0.0.1:47001_0 params
  zevahv --system q3815 --address 127.0.0.1:47002_0 params 0 --channel 2 --json)HELP"));
    when_selected(sub, o, action, run_params);
}

}  // namespace zcli
