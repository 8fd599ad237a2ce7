// The control channel: one line in, one line out ("OK ..." or "ERR ...").
// It changes the crate as its hardware, front panel or a technician would,
// and switches the fault modes of the request connection and the event
// stream.
#include <sys/socket.h>

#include <cstdio>
#include <sstream>
#include <variant>

#include "mainframe/mainframe.h"
#include "model/value_text.h"

namespace sim::mf {

namespace {

std::string fmt_value(double v) {
    char b[48];
    std::snprintf(b, sizeof b, "%.6g", v);
    return b;
}

std::optional<int> number_word(const std::string& s) {
    auto n = parse_whole(s);
    if (!n || *n < -1 || *n > 0xFFFF) return std::nullopt;
    return static_cast<int>(*n);
}

struct Place {
    Board* board = nullptr;
    int channel = -1;
    int index = -1;
};

// "<slot> <ch|-1> <param>": a board parameter with -1, else a channel's.
std::variant<std::string, Place> find_place(Crate& crate, const std::string& slot_w, const std::string& ch_w,
                                            const std::string& name) {
    auto slot = number_word(slot_w), ch = number_word(ch_w);
    if (!slot || !ch) return std::string("ERR usage: <slot> <channel|-1> <parameter>");
    Place p;
    p.board = crate.board(*slot);
    if (!p.board) return "ERR no board in slot " + slot_w;
    p.channel = *ch;
    if (p.channel >= static_cast<int>(p.board->channels.size())) return "ERR no channel " + ch_w;
    p.index = p.channel < 0 ? p.board->find_param(name) : p.board->find_channel_param(p.channel, name);
    if (p.index < 0) return "ERR no parameter " + name;
    return p;
}

} // namespace

std::string Mainframe::control(const std::string& raw) {
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    auto sp = line.find(' ');
    std::string word = line.substr(0, sp);
    std::string args = sp == std::string::npos ? "" : line.substr(sp + 1);
    Outbox out;
    std::string answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        crate_.advance(Clock::now());
        answer = control_locked(word, args, out);
    }
    send(out);
    return answer;
}

std::string Mainframe::control_locked(const std::string& word, const std::string& args, Outbox& out) {
    std::istringstream in(args);
    if (word == "get") return control_get(args);
    if (word == "set") return control_set(args);
    if (word == "load" || word == "trip" || word == "name") {
        std::string slot, ch, rest;
        in >> slot >> ch;
        std::getline(in, rest);
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        auto slot_n = number_word(slot), ch_n = number_word(ch);
        Board* b = slot_n ? crate_.board(*slot_n) : nullptr;
        if (!b) return "ERR no board in slot " + slot;
        if (!ch_n || *ch_n < 0 || *ch_n >= static_cast<int>(b->channels.size())) return "ERR no channel " + ch;
        Channel& c = b->channels[*ch_n];
        if (word == "trip") {
            crate_.trip(*b, *ch_n);
            return "OK";
        }
        if (word == "name") {
            if (rest.size() > 255) return "ERR a name of at most 255 characters";
            c.name = rest;
            return "OK";
        }
        auto mohm = parse_decimal(rest);
        if (!mohm || *mohm <= 0) return "ERR usage: load <slot> <channel> <MOhm above 0>";
        c.load_mohm = *mohm;
        crate_.advance(Clock::now());
        return "OK";
    }
    if (word == "sys") {
        std::string name, value;
        in >> name;
        std::getline(in, value);
        if (!value.empty() && value[0] == ' ') value.erase(0, 1);
        if (value.empty()) {
            auto v = props_.show(name, crate_.channels_on());
            return v ? "OK " + *v : "ERR no system property " + name;
        }
        auto e = props_.force(name, value);
        return e ? "ERR " + *e : "OK";
    }
    if (word == "ripple") {
        auto ms = parse_whole(args);
        if (!ms || *ms < 0 || *ms > 600000) return "ERR usage: ripple <ms> (0: off)";
        ripple_ms_ = static_cast<int>(*ms);
        next_ripple_ = Clock::now();
        if (ripple_ms_ == 0) crate_.set_ripple(false);
        return "OK";
    }
    if (word == "kill") {
        crate_.kill_all();
        return "OK";
    }
    if (word == "clear") {
        crate_.clear_alarms();
        return "OK";
    }
    if (word == "pull" || word == "insert" || word == "move") return control_layout(word, args, out);
    if (word == "map") {
        std::string m;
        for (int s = 0; s < crate_.slots(); ++s) {
            const Board* b = crate_.board(s);
            m += (s ? " " : "") + std::to_string(s) + ":" + (b ? b->kind->model : "-");
        }
        return "OK " + m;
    }
    if (word == "fault" || word == "fault-once") {
        auto f = parse_reply_fault(args);
        if (!f) return "ERR unknown fault \"" + args + "\"";
        if (word == "fault") {
            fault_ = *f;
            fault_once_.reset();
        } else {
            fault_once_ = *f;
        }
        return "OK";
    }
    if (word == "event") return event_fault(args, out);
    if (word == "disconnect") {
        int n = 0;
        for (auto& [id, c] : conns_) {
            shutdown(c.fd, SHUT_RDWR);
            ++n;
        }
        return "OK " + std::to_string(n);
    }
    if (word == "sessions") {
        int n = 0;
        for (auto& [id, c] : conns_) n += c.logged_in;
        return "OK " + std::to_string(n);
    }
    if (word == "subscriptions") {
        size_t n = 0;
        for (auto& [key, s] : sinks_) n += s.items.size();
        return "OK " + std::to_string(n);
    }
    if (word == "count") return control_count(args);
    if (word == "quit") {
        quit_ = true;
        return "OK";
    }
    if (word.empty()) return "ERR empty command";
    return "ERR unknown command " + word + " (see --help)";
}

std::string Mainframe::control_get(const std::string& args) {
    std::istringstream in(args);
    std::string slot, ch, name, extra;
    in >> slot >> ch >> name >> extra;
    if (name.empty() || !extra.empty()) return "ERR usage: get <slot> <channel|-1> <parameter>";
    auto p = find_place(crate_, slot, ch, name);
    if (auto* e = std::get_if<std::string>(&p)) return *e;
    Place& at = std::get<Place>(p);
    if (at.channel < 0) {
        const ParamDesc& d = at.board->params()[at.index];
        return "OK " + fmt_value(d.to_value(crate_.read_board(*at.board, at.index)));
    }
    const ParamDesc& d = at.board->channels[at.channel].params()[at.index];
    uint32_t raw = crate_.read_channel(*at.board, at.channel, at.index);
    if (d.type == kTypeChStatus || d.type == kTypeBdStatus || d.type == kTypeRaw || d.type == kTypeOnOff)
        return "OK " + std::to_string(raw);
    return "OK " + fmt_value(d.to_value(raw));
}

std::string Mainframe::control_set(const std::string& args) {
    std::istringstream in(args);
    std::string slot, ch, name, value, extra;
    in >> slot >> ch >> name >> value >> extra;
    if (value.empty() || !extra.empty()) return "ERR usage: set <slot> <channel|-1> <parameter> <value>";
    auto p = find_place(crate_, slot, ch, name);
    if (auto* e = std::get_if<std::string>(&p)) return *e;
    auto v = parse_decimal(value);
    if (!v) return "ERR not a number: " + value;
    Place& at = std::get<Place>(p);
    auto e = at.channel < 0 ? crate_.force_board(*at.board, at.index, *v)
                            : crate_.force_channel(*at.board, at.channel, at.index, *v);
    return e ? "ERR " + *e : "OK";
}

std::string Mainframe::control_layout(const std::string& word, const std::string& args, Outbox& out) {
    std::istringstream in(args);
    std::string a, b, c, extra;
    in >> a >> b >> c >> extra;
    auto from = number_word(a);
    if (!from) return "ERR usage: pull <slot> | insert <slot> <kind> [serial] | move <from> <to>";
    std::vector<std::pair<int, bool>> changes;
    std::optional<std::string> e;
    if (word == "pull") {
        const Board* gone = crate_.board(*from);
        uint64_t uid = gone ? gone->uid : 0;
        e = b.empty() ? crate_.pull(*from) : std::optional<std::string>("usage: pull <slot>");
        if (!e) drop_board_items(uid);
        changes = {{*from, false}};
    } else if (word == "insert") {
        unsigned serial = 9000 + static_cast<unsigned>(*from);
        if (!c.empty()) {
            auto n = parse_whole(c);
            if (!n || *n < 0 || *n > 0xFFFF) return "ERR a serial number is 0..65535";
            serial = static_cast<unsigned>(*n);
        }
        e = b.empty() || !extra.empty() ? std::optional<std::string>("usage: insert <slot> <kind> [serial]")
                                        : crate_.insert(*from, b, serial);
        changes = {{*from, true}};
    } else {
        auto to = number_word(b);
        e = !to || !c.empty() ? std::optional<std::string>("usage: move <from> <to>") : crate_.move(*from, *to);
        if (to) changes = {{*from, false}, {*to, true}};
    }
    if (e) return "ERR " + *e;
    layout_notice(changes, out);
    return "OK";
}

std::string Mainframe::control_count(const std::string& args) {
    if (args == "reset") {
        counts_.clear();
        total_ = 0;
        return "OK";
    }
    if (args.empty()) return "OK " + std::to_string(total_);
    if (args.find(' ') != std::string::npos) return "ERR usage: count [COMMAND|reset]";
    auto it = counts_.find(args);
    return "OK " + std::to_string(it == counts_.end() ? 0 : it->second);
}

} // namespace sim::mf
