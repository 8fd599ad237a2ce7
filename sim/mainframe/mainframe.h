#pragma once
// The simulated mainframe: one crate, its system properties, the client
// connections with their sessions, the subscriptions and the event stream,
// the fault modes and the control channel. Every connection thread, the
// event ticker and the control channel come through here; one lock keeps
// the state consistent. Sockets of the request connections belong to the
// server (server.h); this class only sees their payloads.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/wire_log.h"
#include "mainframe/crate.h"
#include "mainframe/event_frames.h"
#include "mainframe/event_sinks.h"
#include "mainframe/reply_faults.h"
#include "mainframe/request.h"
#include "mainframe/subscribe_args.h"
#include "mainframe/system_props.h"

namespace sim::mf {

struct MainframeOptions {
    std::string host = "127.0.0.2"; // the crate's own address: events leave from it
    uint16_t port = 0;              // its request port (UDP events leave from it too)
    int tick_ms = 100;              // how often values are compared and pushed
    int keepalive_ms = 5000;        // a keep-alive after this long without a frame
    int max_sessions = 64;
    size_t max_items = 10000;       // subscriptions per session
    int ripple_ms = 0;              // readout noise toggled this often (0: none)
    std::string log_path;
    std::vector<User> extra_users;
};

class Mainframe {
public:
    static std::unique_ptr<Mainframe> create(CrateSpec spec, const MainframeOptions& o,
                                             std::string& error);
    ~Mainframe();
    Mainframe(const Mainframe&) = delete;
    Mainframe& operator=(const Mainframe&) = delete;

    Generation generation() const { return generation_; }

    // A new client connection (its socket, so that the control channel can
    // drop it) and its end.
    uint64_t open_connection(int fd, std::string peer_host);
    void close_connection(uint64_t id);
    // One request payload of a connection; what to send back.
    Outgoing handle(uint64_t conn, std::string_view payload);

    // One event cycle: advance the crate, push what changed, keep-alives.
    void tick();
    void start_ticker();

    // One control line; the answer ("OK ..." or "ERR ...").
    std::string control(const std::string& line);
    bool quit_requested() const { return quit_; }

private:
    struct Connection {
        uint64_t id = 0;
        int fd = -1;
        std::string peer;
        bool logged_in = false;
        uint32_t session = 0;
        std::string user;
        bool may_write = false;
        Clock::time_point since;
        uint64_t seen_layout = 0;
        std::string previous; // the command before this one
    };
    struct Item {
        uint32_t id = 0;
        uint16_t kind = kItemSystem;
        uint64_t board_uid = 0;
        int channel = -1;
        int index = -1;
        std::string name;
    };
    struct Subscribed {
        Item item;
        std::set<uint64_t> conns;
        std::optional<std::string> last; // value last pushed
    };
    struct SinkState {
        std::map<uint32_t, Subscribed> items;
        std::set<uint64_t> conns;
        Clock::time_point last_sent;
    };
    // The outcome of making the event connection before the lock is taken.
    struct SinkPrep {
        bool tried = false, ok = false, fresh = false;
        SinkKey key;
        std::string error;
    };
    using Outbox = std::vector<std::tuple<SinkKey, std::string, AfterSend>>;
    using Handler = Reply (Mainframe::*)(Connection&, const Request&);

    Mainframe(CrateSpec spec, const MainframeOptions& o);
    Reply dispatch(Connection& c, const Request& req);
    static Handler handler_for(std::string_view command);
    SinkPrep prepare_sink(uint64_t conn, const Request& req);
    void end_session(uint64_t conn);
    void send(Outbox& out);

    // Requests (handlers_*.cpp).
    Reply login(Connection& c, const Request& req);
    Reply logout(Connection& c, const Request& req);
    Reply system_info(Connection& c, const Request& req);
    Reply crate_map(Connection& c, const Request& req);
    Reply composition(Connection& c, const Request& req);
    Reply board_presence(Connection& c, const Request& req);
    Reply get_channel_names(Connection& c, const Request& req);
    Reply set_channel_name(Connection& c, const Request& req);
    Reply get_param(Connection& c, const Request& req); // channel or board
    Reply set_param(Connection& c, const Request& req);
    Reply system_property(Connection& c, const Request& req);
    Reply sessions_log(Connection& c, const Request& req);
    Reply kill_or_clear(Connection& c, const Request& req);
    Reply plain_ok(Connection& c, const Request& req);
    Reply subscribe(Connection& c, const Request& req);
    Reply unsubscribe(Connection& c, const Request& req);

    // Events (events.cpp).
    std::optional<EventItem> current_value(const Item& item) const;
    StateBytes state_bytes() const;
    void frames_for(const SinkKey& key, SinkState& s, const std::vector<EventItem>& items,
                    Outbox& out, AfterSend after = AfterSend::Nothing,
                    const FrameTweak& ft = {}, const LegacyTweak& lt = {});
    void layout_notice(const std::vector<std::pair<int, bool>>& changes, Outbox& out);
    void drop_board_items(uint64_t uid);
    std::string event_fault(const std::string& args, Outbox& out);
    uint32_t millis() const;

    // Control channel (control.cpp).
    std::string control_locked(const std::string& word, const std::string& args, Outbox& out);
    std::string control_get(const std::string& args);
    std::string control_set(const std::string& args);
    std::string control_layout(const std::string& word, const std::string& args, Outbox& out);
    std::string control_count(const std::string& args);

    std::mutex mutex_;
    Generation generation_;
    Crate crate_;
    SystemProps props_;
    MainframeOptions opts_;
    std::vector<User> users_;
    std::map<uint64_t, Connection> conns_;
    uint64_t next_conn_ = 1;
    uint32_t next_session_;
    std::map<SinkKey, SinkState> sinks_;
    EventSinks out_;
    uint32_t event_seq_ = 0;
    Clock::time_point started_;
    ReplyFault fault_;
    std::optional<ReplyFault> fault_once_;
    WireLog log_;
    std::map<std::string, unsigned long> counts_;
    unsigned long total_ = 0;
    unsigned replies_ = 0;
    int ripple_ms_ = 0;
    Clock::time_point next_ripple_;
    std::atomic<bool> quit_{false};
    std::thread ticker_;
    std::atomic<bool> stop_ticker_{false};
};

} // namespace sim::mf
