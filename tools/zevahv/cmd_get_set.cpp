// get and set: one board or channel parameter, on a list of channels.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>
#include <tuple>

#include "ZEVAHVLink.h"
#include "catalog.h"
#include "commands.h"
#include "failure.h"
#include "output.h"
#include "system.h"
#include "target.h"
#include "values.h"

namespace zcli {

namespace {

struct ParamOptions {
    unsigned slot = 0;
    std::string param;
    std::optional<std::string> channels;
    std::optional<std::string> value;  // set only
};

// The values as get prints them: a table for people, one object for scripts.
void print_values(const Target& t, const std::vector<Reading>& values, const Globals& g,
                  const std::optional<std::string>& written) {
    if (g.json) {
        Json doc = {{"slot", t.slot},
                              {"parameter", t.info.name},
                              {"level", t.info.board ? "board" : "channel"},
                              {"type", type_word(t.info.type)},
                              {"unit", unit_text(t.info.unit, t.info.exp)}};
        if (written) doc["written"] = *written;
        doc["values"] = Json::array();
        for (const auto& r : values) {
            Shown s = show_value(t.info, r.bytes.data(), r.bytes.size());
            Json v = Json::object();
            if (r.channel >= 0) v["channel"] = r.channel;
            v["value"] = s.value;
            v["text"] = s.text;
            doc["values"].push_back(v);
        }
        print_json(doc);
        return;
    }
    if (t.info.board) {
        Shown s = show_value(t.info, values.at(0).bytes.data(), values.at(0).bytes.size());
        Table table({t.info.name, s.text});
        table.print(std::cout);
        return;
    }
    Table table({"channel", t.info.name});
    for (const auto& r : values) {
        Shown s = show_value(t.info, r.bytes.data(), r.bytes.size());
        table.add({std::to_string(r.channel), s.text});
    }
    table.print(std::cout);
}

int run_get(const System& sys, const Globals& g, const ParamOptions& o) {
    std::vector<Slot> map = crate_map(sys);
    Target t = resolve_param(sys, map, o.slot, o.param, o.channels);
    print_values(t, read_values(sys, t), g, std::nullopt);
    return kExitOk;
}

// The channels of one board may have limits of their own (the outputs of a
// crate supply, the halves of a mixed board): a value is checked against
// every listed channel's before anything is sent, so that a list is never
// written only up to the channel that refuses it.
void check_every_channel(const System& sys, const Target& t, const std::string& word) {
    if (t.info.type != ZEVAHV_PARAM_TYPE_NUMERIC && t.info.type != ZEVAHV_PARAM_TYPE_ENUM) return;
    for (size_t i = 1; i < t.channels.size(); ++i) {
        ParamInfo p = t.info;
        std::tie(p.min, p.max) = param_limits(sys, t.slot, t.channels[i], p.name);
        if (p.min == t.info.min && p.max == t.info.max) continue;
        try {
            encode_value(p, word);
        } catch (const Failure& f) {
            throw Failure(f.exit_code(), f.code(),
                          std::string(f.what()) + " on channel " + std::to_string(t.channels[i]));
        }
    }
}

int run_set(const System& sys, const Globals& g, const ParamOptions& o) {
    std::vector<Slot> map = crate_map(sys);
    Target t = resolve_param(sys, map, o.slot, o.param, o.channels);
    // A high-voltage channel list is never implied: "all" has to be said.
    if (!t.info.board && !o.channels)
        throw Failure(kExitUsage, -1,
                      t.info.name + " is a channel parameter: name the channels with --channel "
                                    "(e.g. --channel 0-3,7 or --channel all)");
    if (!o.value && t.info.type != ZEVAHV_PARAM_TYPE_CMD)
        throw Failure(kExitUsage, -1, t.info.name + ": a value is needed");
    std::string word = o.value.value_or("");
    std::vector<unsigned char> value = encode_value(t.info, word);
    check_every_channel(sys, t, word);
    write_value(sys, t, value);

    if (t.info.readable()) {
        print_values(t, read_values(sys, t), g, word);
    } else if (g.json) {
        print_json({{"slot", t.slot}, {"parameter", t.info.name}, {"written", word}});
    } else {
        std::cout << target_label(t) << ": written\n";
    }
    return kExitOk;
}

// SLOT PARAM [VALUE] and --channel, as get and set take them.
void add_target_options(CLI::App* sub, ParamOptions& o, bool with_value, const char* channel_help) {
    sub->add_option("slot", o.slot, "Slot of the board (0 for a module)")->required();
    sub->add_option("param", o.param, "Parameter name, as params lists it")->required();
    if (with_value)
        sub->add_option("value", o.value,
                        "New value: a number, a state's text or 0/1, a choice's text or index");
    sub->add_option("-c,--channel", o.channels, channel_help);
}

}  // namespace

void add_get(CLI::App& app, Action& action) {
    auto o = std::make_shared<ParamOptions>();
    CLI::App* sub = app.add_subcommand("get", "Read a board or channel parameter");
    add_target_options(sub, *o, false,
                       "Channels, e.g. 3, 0-3,7 or all (default: all, for a channel parameter)");
    sub->footer(footer(R"HELP(A board parameter is read once; a channel parameter on the listed channels.
Values are shown with the parameter's decimals and unit, two-state values by
their texts and choices by their names; --json gives the number (or index,
or state) and the text of each.

Examples:
  zevahv --system p731x --address 127.0.0.1:47001_0 get 0 FineGain --channel 0-3,7
  zevahv --system p731x --address 127.0.0.1:47001_0 get 0 Offset --json)HELP"));
    when_selected(sub, o, action, run_get);
}

void add_set(CLI::App& app, Action& action) {
    auto o = std::make_shared<ParamOptions>();
    CLI::App* sub = app.add_subcommand("set", "Write a board or channel parameter");
    add_target_options(sub, *o, true,
                       "Channels, e.g. 3, 0-3,7 or all (needed for a channel parameter)");
    sub->footer(footer(R"HELP(The value is checked against the parameter's limits and choices (those of
every listed channel) before anything is sent, then written to every listed
channel in order; a refusal of the device stops the write (channels already
written stay written).  Afterwards
the parameter is read back and shown as get shows it.

A choice is named by its text (as get shows it) or by its index; where a
text looks like a number ("4" on a gain list), the text wins, and #N always
means index N.  Two-state values take their texts (e.g. On/Off) or 1 and 0.

Examples:
  zevahv --system p731x --address 127.0.0.1:47001_0 set 0 FineGain 100 --channel 0-3
  zevahv --system p731x --address 127.0.0.1:47001_0 set 0 CoarGain 16 --channel 5
  zevahv --system q2906 --address 127.0.0.1:47001_0 set 0 Shape '#2' --channel all
  zevahv --system q3815 --address 127.0.0.1:47002_0 set 0 Pw On --channel 1)HELP"));
    when_selected(sub, o, action, run_set);
}

}  // namespace zcli
