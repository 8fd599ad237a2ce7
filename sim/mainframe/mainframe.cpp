#include "mainframe/mainframe.h"

#include <sys/socket.h>

#include <chrono>
#include <random>

#include "mainframe/status.h"

namespace sim::mf {

namespace {

bool is_subscribe(std::string_view name) { return name == "NEWSUBSCRIBE" || name == "SUBSCRIBE"; }

} // namespace

Mainframe::Mainframe(CrateSpec spec, const MainframeOptions& o)
    : generation_(spec.generation),
      crate_(spec),
      props_(spec),
      opts_(o),
      users_(spec.users),
      out_(o.host, o.port),
      started_(Clock::now()),
      ripple_ms_(o.ripple_ms),
      next_ripple_(started_ + std::chrono::milliseconds(o.ripple_ms)) {
    users_.insert(users_.end(), o.extra_users.begin(), o.extra_users.end());
    // Session numbers start somewhere new each run, as a crate's would.
    next_session_ = static_cast<uint32_t>(std::random_device{}()) | 1u;
}

std::unique_ptr<Mainframe> Mainframe::create(CrateSpec spec, const MainframeOptions& o,
                                             std::string& error) {
    std::unique_ptr<Mainframe> m(new Mainframe(spec, o));
    if (auto e = m->props_.apply_start_values(spec)) {
        error = *e;
        return nullptr;
    }
    if (!o.log_path.empty() && !m->log_.open(o.log_path)) {
        error = "cannot open the log file " + o.log_path;
        return nullptr;
    }
    return m;
}

Mainframe::~Mainframe() {
    stop_ticker_ = true;
    if (ticker_.joinable()) ticker_.join();
}

uint64_t Mainframe::open_connection(int fd, std::string peer_host) {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t id = next_conn_++;
    Connection& c = conns_[id];
    c.id = id;
    c.fd = fd;
    c.peer = std::move(peer_host);
    return id;
}

void Mainframe::close_connection(uint64_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    end_session(id);
    conns_.erase(id);
}

// Subscriptions end with the session that made them; an event connection
// that no session uses any more is closed.
void Mainframe::end_session(uint64_t conn) {
    for (auto s = sinks_.begin(); s != sinks_.end();) {
        for (auto it = s->second.items.begin(); it != s->second.items.end();) {
            it->second.conns.erase(conn);
            it = it->second.conns.empty() ? s->second.items.erase(it) : std::next(it);
        }
        s->second.conns.erase(conn);
        if (s->second.conns.empty()) {
            out_.close(s->first);
            s = sinks_.erase(s);
        } else {
            ++s;
        }
    }
    auto it = conns_.find(conn);
    if (it != conns_.end()) it->second.logged_in = false;
}

Mainframe::SinkPrep Mainframe::prepare_sink(uint64_t conn, const Request& req) {
    SinkPrep prep;
    if (!is_subscribe(req.name) || !req.command || !served_by(*req.command, generation_))
        return prep;
    auto args = parse_subscribe_args(req.args);
    if (!args) return prep;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = conns_.find(conn);
        if (it == conns_.end() || !it->second.logged_in || req.session != it->second.session)
            return prep;
        prep.key = SinkKey{it->second.peer, args->port, req.name == "SUBSCRIBE"};
    }
    prep.tried = true;
    prep.ok = out_.ensure(prep.key, prep.fresh, prep.error);
    return prep;
}

Outgoing Mainframe::handle(uint64_t conn, std::string_view payload) {
    Request req = parse_request(payload);
    SinkPrep prep = prepare_sink(conn, req);
    std::lock_guard<std::mutex> lock(mutex_);
    ++total_;
    ++counts_[req.name];
    log_.write('>', payload);
    auto it = conns_.find(conn);
    if (it == conns_.end()) return {};
    Connection& c = it->second;
    crate_.advance(Clock::now());

    Reply reply;
    if (prep.tried && !prep.ok) {
        reply = refusal(kStatusEventConnect, prep.error);
    } else if (prep.tried && !out_.alive(prep.key)) {
        // The last session on that port ended while this one connected.
        reply = refusal(kStatusEventConnect, "Event connection closed meanwhile; subscribe again");
    } else {
        if (prep.fresh) {
            // A new event connection: everything subscribed on it is sent anew.
            auto s = sinks_.find(prep.key);
            if (s != sinks_.end())
                for (auto& [id, sub] : s->second.items) sub.last.reset();
        }
        reply = dispatch(c, req);
    }
    c.previous = req.name;

    ReplyFault f = fault_;
    if (fault_once_ && fault_once_->applies_to(req.name)) {
        f = *fault_once_;
        fault_once_.reset();
    }
    if (!f.applies_to(req.name)) f = ReplyFault{};
    Outgoing out = deliver(f, req, reply, ++replies_);
    if (!out.bytes.empty()) log_.write('<', out.bytes.size() >= 4 ? std::string_view(out.bytes).substr(4) : out.bytes);
    return out;
}

Reply Mainframe::dispatch(Connection& c, const Request& req) {
    if (!req.command || !served_by(*req.command, generation_))
        return refusal(kStatusNotSupported, kTextNotSupported);
    if (req.malformed) return refusal(kStatusBadRequest, kTextBadRequest);
    if (req.command->session && (!c.logged_in || *req.session != c.session))
        return refusal(kStatusNotLoggedIn, kTextNotLoggedIn);
    Handler h = handler_for(req.name);
    return (this->*h)(c, req);
}

Mainframe::Handler Mainframe::handler_for(std::string_view n) {
    static const std::map<std::string_view, Handler> table = {
        {"LOGIN", &Mainframe::login},
        {"LOGINSYSTEM", &Mainframe::login},
        {"LOGOUT", &Mainframe::logout},
        {"GETSYSINFO", &Mainframe::system_info},
        {"GETCRATEMAP", &Mainframe::crate_map},
        {"GETSYSCOMP", &Mainframe::composition},
        {"TSTBDPRES", &Mainframe::board_presence},
        {"GETCHNAME", &Mainframe::get_channel_names},
        {"SETCHNAME", &Mainframe::set_channel_name},
        {"GETCHPARAM", &Mainframe::get_param},
        {"SETCHPARAM", &Mainframe::set_param},
        {"GETBDPARAM", &Mainframe::get_param},
        {"SETBDPARAM", &Mainframe::set_param},
        {"GETACTLOG", &Mainframe::sessions_log},
        {"KILL_1", &Mainframe::kill_or_clear},
        {"KILL_2", &Mainframe::kill_or_clear},
        {"CLRALARM_1", &Mainframe::kill_or_clear},
        {"CLRALARM_2", &Mainframe::kill_or_clear},
        {"ENABLEMSG", &Mainframe::plain_ok},
        {"DISABLEMSG", &Mainframe::plain_ok},
        {"RS232CMDOFF", &Mainframe::plain_ok},
        {"SUBSCRIBE", &Mainframe::subscribe},
        {"NEWSUBSCRIBE", &Mainframe::subscribe},
        {"UNSUBSCRIBE", &Mainframe::unsubscribe},
        {"NEWUNSUBSCRIBE", &Mainframe::unsubscribe},
    };
    auto it = table.find(n);
    if (it != table.end()) return it->second;
    // Every other get and set command is a system property's (or none).
    return &Mainframe::system_property;
}

void Mainframe::send(Outbox& out) {
    for (auto& [key, bytes, after] : out) out_.send(key, std::move(bytes), after);
    out.clear();
}

void Mainframe::start_ticker() {
    ticker_ = std::thread([this] {
        auto next = Clock::now();
        while (!stop_ticker_) {
            next += std::chrono::milliseconds(opts_.tick_ms);
            tick();
            std::this_thread::sleep_until(next);
            if (Clock::now() > next + std::chrono::seconds(1)) next = Clock::now();
        }
    });
}

uint32_t Mainframe::millis() const {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count());
}

} // namespace sim::mf
