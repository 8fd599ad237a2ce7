#include "mainframe/request.h"

#include <array>

#include "mainframe/bytes.h"

namespace sim::mf {

namespace {

// session, data, current, legacy
constexpr bool S = true, D = true, C = true, L = true, n = false;

constexpr std::array kCommands = {
    CommandInfo{"LOGIN", n, D, C, L},
    CommandInfo{"LOGINSYSTEM", n, D, C, n},
    CommandInfo{"LOGOUT", S, n, C, L},
    CommandInfo{"ENABLEMSG", S, n, C, L},
    CommandInfo{"DISABLEMSG", S, n, C, L},
    CommandInfo{"KILL_1", S, n, C, L},
    CommandInfo{"KILL_2", S, n, C, L},
    CommandInfo{"CLRALARM_1", S, n, C, L},
    CommandInfo{"CLRALARM_2", S, n, C, L},
    CommandInfo{"FORMAT", S, n, C, L},
    CommandInfo{"SETIPGWY", S, n, C, L},
    CommandInfo{"RS232CMDOFF", S, n, n, L},
    CommandInfo{"GETSYSNAME", S, D, C, L},
    CommandInfo{"GETSWREL", S, D, C, L},
    CommandInfo{"GETGENCFG", S, D, C, L},
    CommandInfo{"GETRSFLAGCFG", S, D, C, L},
    CommandInfo{"GETRSFLAG", S, D, C, L},
    CommandInfo{"GETIPADDR", S, D, C, L},
    CommandInfo{"GETIPNETMSK", S, D, C, L},
    CommandInfo{"GETIPGWY", S, D, C, L},
    CommandInfo{"GETCNETCRNUM", S, D, C, L},
    CommandInfo{"GETHVPSM", S, D, C, L},
    CommandInfo{"GETCLKFREQ", S, D, C, L},
    CommandInfo{"GETHVCLKCFG", S, D, C, L},
    CommandInfo{"GETFPIN", S, D, C, L},
    CommandInfo{"GETFPOUT", S, D, C, L},
    CommandInfo{"GETCMDQSTATUS", S, D, C, L},
    CommandInfo{"GETCPULOAD", S, D, C, L},
    CommandInfo{"GETMEMORYSTATUS", S, D, C, L},
    CommandInfo{"GETHVFANSTAT", S, D, C, n},
    CommandInfo{"GETFANSPEED", S, D, C, n},
    CommandInfo{"GETPWFANSTAT", S, D, C, n},
    CommandInfo{"GETPWCUR", S, D, C, n},
    CommandInfo{"GETPWVOLT", S, D, C, n},
    CommandInfo{"GETOUTPUTLEVEL", S, D, C, n},
    CommandInfo{"GETDUMMY", S, D, C, n},
    CommandInfo{"GETCMDMODE", S, D, C, n},
    CommandInfo{"GETDHCPDSTATUS", S, D, C, n},
    CommandInfo{"GETFANSTAT", S, D, n, L},
    CommandInfo{"GETRS232PARAM", S, D, n, L},
    CommandInfo{"SETSYSNAME", S, n, C, L},
    CommandInfo{"SETIPADDR", S, n, C, L},
    CommandInfo{"SETIPNETMSK", S, n, C, L},
    CommandInfo{"SETCNETCRNUM", S, n, C, L},
    CommandInfo{"SETHVCLKCFG", S, n, C, L},
    CommandInfo{"SETFANSPEED", S, n, C, n},
    CommandInfo{"SETRS232PARAM", S, n, n, L},
    CommandInfo{"SETGRPPARAM", S, n, C, L},
    CommandInfo{"SETGENCFG", S, n, C, L},
    CommandInfo{"SETRSFLAGCFG", S, n, C, L},
    CommandInfo{"SETOUTPUTLEVEL", S, n, C, n},
    CommandInfo{"SETDUMMY", S, n, C, n},
    CommandInfo{"SETCMDMODE", S, n, C, n},
    CommandInfo{"ADDCHTOGRP", S, n, C, L},
    CommandInfo{"REMCHFROMGRP", S, n, C, L},
    CommandInfo{"SETBDPARAM", S, n, C, L},
    CommandInfo{"GETCHNAME", S, D, C, L},
    CommandInfo{"GETGRPPARAM", S, D, C, L},
    CommandInfo{"GETBDPARAM", S, D, C, L},
    CommandInfo{"SUBSCRIBE", S, D, C, L},
    CommandInfo{"UNSUBSCRIBE", S, D, C, L},
    CommandInfo{"NEWSUBSCRIBE", S, D, C, n},
    CommandInfo{"NEWUNSUBSCRIBE", S, D, C, n},
    CommandInfo{"SETCHNAME", S, n, C, L},
    CommandInfo{"GETCHPARAM", S, D, C, L},
    CommandInfo{"CNETCOMM", S, D, C, L},
    CommandInfo{"SETCHPARAM", S, n, C, L},
    CommandInfo{"GETGRPCOMP", S, D, C, L},
    CommandInfo{"GETSYSCOMP", S, D, C, L},
    CommandInfo{"TSTBDPRES", S, D, C, L},
    CommandInfo{"GETCRATEMAP", S, D, C, L},
    CommandInfo{"GETACTLOG", S, D, C, L},
    CommandInfo{"GETSYSINFO", S, D, C, L},
};

} // namespace

const CommandInfo* find_command(std::string_view name) {
    for (const auto& c : kCommands)
        if (c.name == name) return &c;
    return nullptr;
}

const CommandInfo* command_table(size_t& count) {
    count = kCommands.size();
    return kCommands.data();
}

bool served_by(const CommandInfo& c, Generation g) {
    return g == Generation::Current ? c.current : c.legacy;
}

Request parse_request(std::string_view payload) {
    Request req;
    ByteReader r(payload);
    auto name = r.text_until(':');
    if (!name) {
        req.name = std::string(payload);
        req.command = find_command(req.name);
        // A session command needs at least its session number.
        req.malformed = req.command && req.command->session;
        return req;
    }
    req.name = std::string(*name);
    req.command = find_command(req.name);
    if (req.command && req.command->session) {
        req.session = r.u32();
        if (!req.session) {
            req.malformed = true;
            return req;
        }
        if (r.at_end()) return req;
        if (!r.colon()) {
            req.malformed = true;
            return req;
        }
    }
    req.has_args = true;
    req.args = std::string(r.rest());
    return req;
}

std::string reply_payload_named(std::string_view name, const Request& req, const Reply& reply) {
    ByteWriter w;
    w.text(name).colon();
    if (req.command && req.command->session) w.u32(req.session.value_or(0)).colon();
    w.u16(reply.status).colon().text(reply.text);
    if (reply.status == 0 && req.command && req.command->has_data) w.colon().text(reply.data);
    return w.take();
}

std::string reply_payload(const Request& req, const Reply& reply) {
    return reply_payload_named(req.name, req, reply);
}

} // namespace sim::mf
