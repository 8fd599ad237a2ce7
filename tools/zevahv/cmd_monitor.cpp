// monitor: subscribe to items, accept the event connection on a port of our
// own, and print every event until interrupted, a count or a time is
// reached; unsubscribe on the way out.
#include <CLI/CLI.hpp>

#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

#include "ZEVAHVLink.h"
#include "catalog.h"
#include "channels.h"
#include "commands.h"
#include "event_stream.h"
#include "failure.h"
#include "items.h"
#include "output.h"
#include "signals.h"
#include "sysprops.h"
#include "system.h"
#include "target.h"
#include "values.h"

namespace zcli {

namespace {

struct MonitorOptions {
    std::vector<std::string> items;
    bool all = false;
    std::optional<unsigned> slot;
    std::optional<std::string> channels;
    std::optional<unsigned long> count;
    std::optional<double> seconds;
    std::optional<double> timeout;
    std::optional<std::string> listen;
    unsigned short port = 0;
};

// Seconds of silence after which a watch without --timeout says so.
constexpr double kQuietNotice = 10;

// What is subscribed, and how to show what comes back.
struct Plan {
    // (slot, channel) -> names; slot -1 for system items, channel -1 for board items.
    std::map<std::pair<int, int>, std::vector<std::string>> groups;
    std::map<std::tuple<int, bool, std::string>, ParamInfo> params;
    std::map<std::string, SysProp> sysprops;
    size_t label_width = 0;

    void add(int slot, int channel, const std::string& name) {
        auto& names = groups[{slot, channel}];
        for (const auto& n : names)
            if (n == name) return;
        names.push_back(name);
        label_width = std::max(label_width, display_width(item_label(slot, channel, name)));
    }
    void add(const Target& t) {
        params[{static_cast<int>(t.slot), !t.info.board, t.info.name}] = t.info;
        if (t.info.board) add(static_cast<int>(t.slot), -1, t.info.name);
        for (auto c : t.channels) add(static_cast<int>(t.slot), c, t.info.name);
    }
    void add(const SysProp& p) {
        sysprops[p.name] = p;
        add(-1, -1, p.name);
    }
};

unsigned first_present_slot(const std::vector<Slot>& map) {
    for (const auto& s : map)
        if (s.present()) return s.index;
    throw Failure(kExitNotFound, ZEVAHV_ERR_SLOTNOTPRES, "the crate holds no board");
}

void plan_all(const System& sys, const std::vector<Slot>& map, const MonitorOptions& o,
              Plan& plan) {
    for (const auto& name : sysprop_names(sys)) {
        SysProp p = sysprop_info(sys, name);
        if (p.mode != ZEVAHV_SYSPROP_MODE_WRONLY) plan.add(p);
    }
    for (const auto& s : map) {
        if (!s.present() || (o.slot && *o.slot != s.index)) continue;
        for (const auto& name : board_param_names(sys, s.index)) {
            Target t = resolve_param(sys, map, s.index, name, std::nullopt);
            if (t.info.readable()) plan.add(t);
        }
        if (s.channels == 0) continue;
        std::string chans = o.channels.value_or("all");
        for (const auto& name : channel_param_names(sys, s.index, 0)) {
            Target t = resolve_param(sys, map, s.index, name, chans);
            if (t.info.readable()) plan.add(t);
        }
    }
}

void plan_item(const System& sys, const std::vector<Slot>& map, const MonitorOptions& o,
               const std::string& text, Plan& plan) {
    ItemRequest r = parse_item(text);
    if (!r.system && !r.slot && !r.channels && !o.channels) {
        // A bare name that no board of the default slot has may be a
        // system property.
        std::vector<std::string> props = sysprop_names(sys);
        if (auto found = match_name(props, r.name)) {
            unsigned slot = o.slot.value_or(map.empty() ? 0 : first_present_slot(map));
            bool on_board = slot < map.size() && map[slot].present() &&
                            (match_name(board_param_names(sys, slot), r.name) ||
                             (map[slot].channels > 0 &&
                              match_name(channel_param_names(sys, slot, 0), r.name)));
            if (!on_board) {
                r.system = true;
                r.name = *found;
            }
        }
    }
    if (r.system) {
        auto found = match_name(sysprop_names(sys), r.name);
        if (!found)
            throw Failure(kExitNotFound, ZEVAHV_ERR_PROPNOTFOUND,
                          "no system property \"" + r.name + "\"");
        plan.add(sysprop_info(sys, *found));
        return;
    }
    unsigned slot = r.slot ? *r.slot : o.slot ? *o.slot : first_present_slot(map);
    Target t = resolve_param(sys, map, slot, r.name, r.channels);
    // --channel is the default for channel parameters; board ones ignore it.
    if (!r.channels && o.channels && !t.info.board)
        t.channels = parse_channels(*o.channels, map[slot].channels);
    plan.add(t);
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ":") + n;
    return out;
}

// The plan's subscriptions, withdrawn again when the object goes.
class Subscriptions {
public:
    Subscriptions(const System& sys, unsigned short port) : sys_(sys), port_(static_cast<short>(port)) {}
    ~Subscriptions() {
        for (const auto& [key, names] : done_) call(key, names, false, nullptr);
    }

    // Subscribes every group; returns the number of items accepted and
    // adds the refused ones to `refused`: their label and result byte.
    size_t subscribe(const Plan& plan, std::vector<std::pair<std::string, int>>& refused) {
        size_t accepted = 0;
        for (const auto& [key, names] : plan.groups) {
            // 1 marks an item the call left unanswered.
            std::vector<char> results(names.size(), 1);
            int rc = call(key, names, true, results.data());
            if (rc != ZEVAHV_OK) sys_.check(rc, "subscribing " + item_label(key.first, key.second, joined(names)));
            done_.emplace_back(key, names);
            for (size_t i = 0; i < names.size(); ++i) {
                if (results[i] == 0) {
                    ++accepted;
                    continue;
                }
                refused.emplace_back(item_label(key.first, key.second, names[i]),
                                     static_cast<unsigned char>(results[i]));
            }
        }
        return accepted;
    }

private:
    using Key = std::pair<int, int>;
    int call(const Key& key, const std::vector<std::string>& names, bool on, char* results) {
        std::vector<char> scratch(names.size(), 0);
        if (!results) results = scratch.data();
        std::string list = joined(names);
        auto n = static_cast<unsigned>(names.size());
        int h = sys_.handle();
        auto slot = static_cast<unsigned short>(key.first);
        auto ch = static_cast<unsigned short>(key.second);
        if (key.first < 0)
            return on ? ZEVAHV_SubscribeSystemParams(h, port_, list.c_str(), n, results)
                      : ZEVAHV_UnSubscribeSystemParams(h, port_, list.c_str(), n, results);
        if (key.second < 0)
            return on ? ZEVAHV_SubscribeBoardParams(h, port_, slot, list.c_str(), n, results)
                      : ZEVAHV_UnSubscribeBoardParams(h, port_, slot, list.c_str(), n, results);
        return on ? ZEVAHV_SubscribeChannelParams(h, port_, slot, ch, list.c_str(), n, results)
                  : ZEVAHV_UnSubscribeChannelParams(h, port_, slot, ch, list.c_str(), n, results);
    }

    const System& sys_;
    short port_;
    std::vector<std::pair<Key, std::vector<std::string>>> done_;
};

std::string kind_word(int kind) {
    switch (kind) {
    case ZEVAHV_EVENT_PARAMETER: return "value";
    case ZEVAHV_EVENT_LIVEINSERTION: return "live-insertion";
    case ZEVAHV_EVENT_KEEPALIVE: return "keepalive";
    case ZEVAHV_EVENT_TRMODE: return "mode";
    default: return "kind " + std::to_string(kind);
    }
}

// Local time with milliseconds: "2025-01-31 12:00:01.234" for people,
// "2025-01-31T12:00:01.234+01:00" for JSON.
std::string time_text(std::chrono::system_clock::time_point t, bool iso) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    char date[32], zone[8], out[64];
    std::strftime(date, sizeof date, iso ? "%Y-%m-%dT%H:%M:%S" : "%Y-%m-%d %H:%M:%S", &tm);
    std::snprintf(out, sizeof out, "%s.%03d", date, static_cast<int>(ms % 1000));
    std::string s = out;
    if (iso && std::strftime(zone, sizeof zone, "%z", &tm) == 5)
        s += std::string(zone, 3) + ":" + std::string(zone + 3, 2);
    return s;
}

Shown show_event(const Plan& plan, const Event& e, std::string* unit) {
    if (e.kind != ZEVAHV_EVENT_PARAMETER) {
        unsigned v = 0;
        std::memcpy(&v, e.value.data(), std::min(e.value.size(), sizeof v));
        return {v, std::to_string(v)};
    }
    if (e.slot < 0) {
        auto it = plan.sysprops.find(e.item);
        unsigned type = it == plan.sysprops.end() ? ZEVAHV_SYSPROP_TYPE_UINT4 : it->second.type;
        return show_sysprop_event(type, e);
    }
    auto it = plan.params.find({e.slot, e.channel >= 0, e.item});
    if (it == plan.params.end()) {
        unsigned v = 0;
        std::memcpy(&v, e.value.data(), std::min(e.value.size(), sizeof v));
        return {v, std::to_string(v)};
    }
    const ParamInfo& p = it->second;
    *unit = unit_text(p.unit, p.exp);
    if (e.legacy && p.type == ZEVAHV_PARAM_TYPE_STRING)
        return show_value(p, e.legacy_text.c_str(), e.legacy_text.size() + 1);
    return show_value(p, e.value.data(), e.value.size());
}

void print_event(const Plan& plan, const Event& e, bool json) {
    auto now = std::chrono::system_clock::now();
    std::string unit;
    Shown s = show_event(plan, e, &unit);
    std::string label = item_label(e.slot, e.channel, e.item);
    if (json) {
        Json j = {{"time", time_text(now, true)}, {"kind", kind_word(e.kind)},
                            {"item", label}};
        if (e.slot >= 0) j["slot"] = e.slot;
        if (e.channel >= 0) j["channel"] = e.channel;
        j["parameter"] = e.item;
        j["value"] = s.value;
        j["text"] = s.text;
        j["unit"] = unit;
        print_json(j, true);
    } else {
        std::string pad(plan.label_width > display_width(label) ? plan.label_width - display_width(label) : 0, ' ');
        std::cout << time_text(now, false) << "  " << label << pad << "  " << s.text << '\n';
    }
    std::cout.flush();
}

int run_monitor(const System& sys, const Globals& g, const MonitorOptions& o) {
    if (o.items.empty() && !o.all)
        throw Failure(kExitUsage, -1, "name the items to monitor, or --all");
    std::vector<Slot> map = crate_map(sys);
    Plan plan;
    if (o.all) plan_all(sys, map, o, plan);
    for (const auto& item : o.items) plan_item(sys, map, o, item, plan);
    if (plan.groups.empty()) throw Failure(kExitNotFound, -1, "nothing readable to monitor");

    EventPath path = event_path(sys.spec().type);
    EventStream stream(o.listen.value_or(default_listen_address(sys.spec().address, path)), o.port,
                       path);
    StopSignals signals;
    Subscriptions subs(sys, stream.port());
    std::vector<std::pair<std::string, int>> refused;
    size_t accepted = subs.subscribe(plan, refused);
    // Items named one by one are reported one by one; of --all, which takes
    // whatever the system lists, one line says what it would not stream.
    const std::string who = "zevahv: " + sys.spec().label() + ": ";
    std::string list;
    for (const auto& [label, result] : refused) {
        std::string one = label + " (result " + std::to_string(result) + ")";
        if (o.all)
            list += (list.empty() ? "" : ", ") + one;
        else
            std::cerr << who << label << " refused (result " << result << ")\n";
    }
    if (!list.empty()) std::cerr << who << "not watched, refused by the system: " << list << '\n';
    if (accepted == 0) throw Failure(kExitLibrary, -1, "no item was accepted");

    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    auto last_event = start;
    auto ms_left = [](Clock::time_point until) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    };
    auto after = [&](Clock::time_point from, double s) {
        return from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
    };
    unsigned long printed = 0;
    std::vector<Event> events;
    bool told_quiet = false;
    while (!stop_requested()) {
        // Without --timeout a silent device is not an error, but it is said
        // once, so that a watch that shows nothing is not taken for a calm one.
        if (!o.timeout && !told_quiet && ms_left(after(last_event, kQuietNotice)) <= 0) {
            std::cerr << "zevahv: " << sys.spec().label() << ": no event for "
                      << static_cast<int>(kQuietNotice) << " s; still waiting\n";
            told_quiet = true;
        }
        long long wait_ms = 250;
        if (o.seconds) {
            long long left = ms_left(after(start, *o.seconds));
            if (left <= 0) break;
            wait_ms = std::min(wait_ms, left);
        }
        if (o.timeout && ms_left(after(last_event, *o.timeout)) <= 0)
            throw Failure(kExitEvents, ZEVAHV_ERR_NODATA,
                          "no event within " + fixed(*o.timeout, 1) + " s");
        events.clear();
        auto status = stream.wait(static_cast<int>(wait_ms), events);
        for (const auto& e : events) {
            print_event(plan, e, g.json);
            if (o.count && ++printed >= *o.count) return kExitOk;
        }
        if (!events.empty()) {
            last_event = Clock::now();
            told_quiet = false;
        }
        // A reader that went away (a closed pipe) ends the watch quietly.
        if (!std::cout) return kExitOk;
        if (status == EventStream::Status::kClosed)
            throw Failure(kExitEvents, stream.close_code(), "the event connection closed");
    }
    return kExitOk;
}

}  // namespace

void add_monitor(CLI::App& app, Action& action) {
    auto o = std::make_shared<MonitorOptions>();
    CLI::App* sub = app.add_subcommand("monitor", "Subscribe to items and print their events as they come");
    sub->add_option("items", o->items, "Items: NAME, SLOT.NAME, SLOT.CHANNELS.NAME or sys.NAME");
    sub->add_flag("-a,--all", o->all, "Every readable parameter and property");
    sub->add_option("-s,--slot", o->slot, "Slot for items without one (default: the first board)");
    sub->add_option("-c,--channel", o->channels, "Channels for items without them (default: all)");
    sub->add_option("-n,--count", o->count, "Stop after this many events")->check(CLI::PositiveNumber);
    sub->add_option("--seconds", o->seconds, "Stop after this many seconds")->check(CLI::PositiveNumber);
    sub->add_option("--timeout", o->timeout,
                    "Fail (exit code 6) when no event comes for this many seconds")
        ->check(CLI::PositiveNumber);
    sub->add_option("--listen", o->listen,
                    "Local IPv4 address to listen on (default 127.0.0.1; 0.0.0.0 for a system "
                    "off this host)");
    sub->add_option("--port", o->port, "Local port to listen on (default: a free one)");
    sub->footer(footer(R"HELP(An item is a parameter name (a board parameter of the slot, or a channel
parameter on the channels of --channel), SLOT.NAME, SLOT.CHANNELS.NAME with
channels such as 0-3,7, or sys.NAME for a system property.  Each event is
printed as a line: local time, item (SLOT.CHANNEL.NAME), value with unit;
with --json as one JSON object a line.  Ctrl-C (or SIGTERM) ends the watch
cleanly: the items are unsubscribed and the exit code is 0.  Modules are
polled about twice a second and send every subscribed value each time; a
watch that receives nothing for 10 s says so once on stderr (with --timeout
it fails instead).

Examples:
  zevahv --system p731x --address 127.0.0.1:47001_0 monitor FineGain --channel 0-3
  zevahv --system q3815 --address 127.0.0.1:47002_0 monitor 0.0-1.VMon 0.Alarm --count 10
  zevahv --system q2906 --address 127.0.0.1:47003_0 monitor --all --seconds 5 --json)HELP"));
    when_selected(sub, o, action, run_monitor);
}

}  // namespace zcli
