#include "engine/simulator.h"

#include <sstream>

#include "engine/execute.h"
#include "model/value_text.h"

namespace sim {

std::unique_ptr<Simulator> Simulator::create(const Options& o, std::string& error) {
    const DeviceKind* kind = find_device_kind(o.device);
    if (!kind) {
        error = "unknown device " + o.device;
        return nullptr;
    }
    std::unique_ptr<Simulator> s(new Simulator());
    s->dialect_ = &kind->dialect();
    if (o.fault.mode == FaultMode::WrongBoard && !s->dialect_->misdirects()) {
        error = "fault wrong-board: " + kind->name + " replies carry no address";
        return nullptr;
    }
    if (!o.log_path.empty() && !s->log_.open(o.log_path)) {
        error = "cannot open the log file " + o.log_path;
        return nullptr;
    }
    DeviceSetup setup;
    setup.channels = o.channels.value_or(kind->default_channels);
    setup.description = o.description;
    setup.imon_range = !o.no_range;
    setup.host = o.tcp_host;
    unsigned serial = o.serial;
    for (int b : o.boards) {
        auto dev = kind->make(setup, error);
        if (!dev) return nullptr;
        // Boards on one line count their serial numbers up from --serial.
        dev->set_identity({o.model.value_or(kind->default_model), o.fwrel, serial++ & 0xFFFFu});
        dev->local = o.local;
        if (!s->first_board_) s->first_board_ = dev.get();
        s->boards_[b] = std::move(dev);
    }
    s->fault_ = o.fault;
    return s;
}

std::optional<Delivery> Simulator::on_line(const LineSplitter::Line& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
    log_.received(line.overlong ? line.text + "..." : line.text);
    if (line.overlong) return std::nullopt; // a broken line addresses nobody

    ParsedLine parsed = dialect_->parse(line.text);
    if (!parsed.answered) return std::nullopt;
    Device* dev = first_board_;
    if (parsed.command.board >= 0) {
        auto it = boards_.find(parsed.command.board);
        if (it == boards_.end()) return std::nullopt; // another module's command
        dev = it->second.get();
    }
    dev->advance(Clock::now());

    std::string reply = respond(*dev, *dialect_, parsed);
    Fault f = fault_;
    if (fault_once_) {
        f = *fault_once_;
        fault_once_.reset();
    }
    Delivery d = apply_fault(f, reply, *dialect_, ++replies_);
    if (!d.bytes.empty()) log_.sent(d.bytes);
    return d;
}

Device* Simulator::board(const std::string& text) {
    auto b = parse_whole(text);
    if (!b) return nullptr;
    auto it = boards_.find(static_cast<int>(*b));
    return it == boards_.end() ? nullptr : it->second.get();
}

namespace {

std::string err(Refusal r) { return std::string("ERR ") + refusal_word(r); }

} // namespace

// "set <board> <MNEMONIC> <ch|-1> <value>": as the front panel would, so
// read-only state may change and local control does not stop it.
std::string Simulator::control_set(const std::string& args) {
    std::istringstream in(args);
    std::string b, mn, ch_text;
    in >> b >> mn >> ch_text;
    std::string value;
    std::getline(in, value);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    Device* dev = board(b);
    if (!dev) return "ERR no board " + b;
    auto ch = parse_whole(ch_text);
    if (!ch) return "ERR bad channel " + ch_text;
    int c = static_cast<int>(*ch);
    dev->advance(Clock::now());
    if (auto extra = dev->panel_set(mn, c, value)) return *extra ? err(**extra) : "OK";

    int idx = dev->find(mn, true);
    if (idx < 0) return "ERR PAR";
    const ParamDef& p = dev->table()[idx];
    bool board_row = p.scope == Scope::Board || (p.scope == Scope::Either && c == -1);
    if (board_row != (c == -1)) return "ERR CH";
    if (c > dev->channels() || (c == dev->channels() && p.scope != Scope::Channel))
        return "ERR CH";
    int first = c < 0 ? 0 : c, last = c < 0 ? 0 : c;
    if (c == dev->channels()) first = 0, last = c - 1;
    for (int i = first; i <= last; ++i) {
        auto r = p.kind == Kind::Action ? dev->act(idx, i) : dev->write(idx, i, value, Origin::Panel);
        if (r) return err(*r);
        // A monitor or status word reads the device's state, which such a
        // set does not move: say so rather than answer OK for nothing.
        if (p.kind != Kind::Action && !dev->reads_as_stored(idx, i))
            return "ERR " + p.mnemonic + " follows the device's state; set what drives it";
    }
    return "OK";
}

std::string Simulator::control_get(const std::string& args) {
    std::istringstream in(args);
    std::string b, mn, ch_text, extra;
    in >> b >> mn >> ch_text >> extra;
    Device* dev = board(b);
    if (!dev) return "ERR no board " + b;
    auto ch = parse_whole(ch_text);
    if (!ch || !extra.empty()) return "ERR usage: get <board> <MNEMONIC> <ch|-1>";
    int c = static_cast<int>(*ch);
    dev->advance(Clock::now());
    if (auto v = dev->panel_get(mn, c)) return "OK " + *v;
    int idx = dev->find(mn, true);
    if (idx < 0) return "ERR PAR";
    const ParamDef& p = dev->table()[idx];
    bool board_row = p.scope == Scope::Board || (p.scope == Scope::Either && c == -1);
    if (board_row != (c == -1) || c > dev->channels() ||
        (c == dev->channels() && p.scope != Scope::Channel))
        return "ERR CH";
    int first = c < 0 ? 0 : c, last = c < 0 ? 0 : c;
    if (c == dev->channels()) first = 0, last = c - 1;
    std::string joined;
    for (int i = first; i <= last; ++i) {
        auto v = dev->read(idx, i);
        if (!v) return "ERR CMD";
        if (i != first) joined += ';';
        joined += *v;
    }
    return "OK " + joined;
}

std::string Simulator::control(const std::string& raw) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    auto sp = line.find(' ');
    std::string word = line.substr(0, sp);
    std::string args = sp == std::string::npos ? "" : line.substr(sp + 1);

    if (word == "set") return control_set(args);
    if (word == "get") return control_get(args);
    if (word == "local") {
        std::istringstream in(args);
        std::string b, state;
        in >> b >> state;
        Device* dev = board(b);
        if (!dev) return "ERR no board " + b;
        if (state == "on") dev->local = true;
        else if (state == "off") dev->local = false;
        else return "ERR usage: local <board> on|off";
        return "OK";
    }
    if (word == "fault" || word == "fault-once") {
        auto f = parse_fault(args);
        if (!f) return "ERR unknown fault \"" + args + "\"";
        if (f->mode == FaultMode::WrongBoard && !dialect_->misdirects())
            return "ERR wrong-board: this device's replies carry no address";
        if (word == "fault") {
            fault_ = *f;
            fault_once_.reset();
        } else {
            fault_once_ = *f;
        }
        return "OK";
    }
    if (word == "count") {
        if (args == "reset") {
            count_ = 0;
            return "OK";
        }
        if (!args.empty()) return "ERR usage: count [reset]";
        return "OK " + std::to_string(count_);
    }
    if (word == "quit") {
        quit_ = true;
        return "OK";
    }
    if (word.empty()) return "ERR empty command";
    return "ERR unknown command " + word;
}

} // namespace sim
