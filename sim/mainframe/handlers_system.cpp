// System-level requests: property gets and sets, the session list, the two
// two-step commands (Kill, ClearAlarm) and the plain acknowledgements.
#include "mainframe/bytes.h"
#include "mainframe/mainframe.h"
#include "mainframe/status.h"

namespace sim::mf {

Reply Mainframe::system_property(Connection& c, const Request& req) {
    bool is_set = req.name.rfind("SET", 0) == 0;
    if (is_set && !c.may_write) {
        for (const auto& d : SystemProps::table())
            if (d.set && req.name == d.set) return refusal(kStatusReadOnly, kTextNoWriteAccess);
    }
    auto r = props_.serve(req.name, req.args, crate_.channels_on());
    if (!r) return refusal(kStatusNotSupported, kTextNotSupported);
    return *r;
}

// "Sessions": the count, then per session its number, user, address, link
// and seconds since login, ':'-separated, each session ended by ';'.
Reply Mainframe::sessions_log(Connection&, const Request&) {
    std::string list;
    uint16_t n = 0;
    auto now = Clock::now();
    for (const auto& [id, c] : conns_) {
        if (!c.logged_in) continue;
        ++n;
        auto secs = std::chrono::duration_cast<std::chrono::seconds>(now - c.since).count();
        list += std::to_string(c.session) + ":" + c.user + ":" + c.peer + ":TCP/IP:" +
                std::to_string(secs) + ";";
    }
    Reply r;
    r.data = ByteWriter().u16(n).colon().text(list).take();
    return r;
}

// Kill and ClearAlarm take two requests: "_1" arms, "_2" right after it on
// the same session acts.
Reply Mainframe::kill_or_clear(Connection& c, const Request& req) {
    if (!c.may_write) return refusal(kStatusReadOnly, kTextNoWriteAccess);
    std::string stem = req.name.substr(0, req.name.size() - 2);
    if (req.name.back() == '1') return Reply{};
    if (c.previous != stem + "_1") return refusal(kStatusBadRequest, kTextOutOfSequence);
    if (stem == "KILL") crate_.kill_all();
    else crate_.clear_alarms();
    return Reply{};
}

Reply Mainframe::plain_ok(Connection&, const Request&) { return Reply{}; }

} // namespace sim::mf
