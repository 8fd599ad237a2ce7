// zevahv-sim mainframe as a client meets it: a child process on a loopback
// address of its own, driven with raw bytes: login, crate map, values that
// ramp, the event stream it pushes from its own address, the legacy
// datagrams, and the fault modes of its control channel.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "mainframe_client.h"
#include "sim_process.h"

namespace {

using namespace std::chrono_literals;

constexpr int kWaitMs = 10000;

bool eventually(const std::function<bool()>& ok, int timeout_ms = kWaitMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ok()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return ok();
}

uint32_t get32(const std::string& s, size_t at = 0) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(s.at(at + i));
    return v;
}

MfClient connect_to(const SimProcess& sim) {
    auto c = MfClient::connect(sim.host(), sim.port());
    if (!c) throw std::runtime_error("cannot connect to the simulated crate");
    return std::move(*c);
}

MfClient logged_in(const SimProcess& sim, const std::string& command = "LOGINSYSTEM") {
    MfClient c = connect_to(sim);
    MfReply r = c.login("admin", "admin", command);
    if (r.status != 0) throw std::runtime_error("login refused: " + r.text);
    return c;
}

std::string channel_args(uint16_t slot, const std::string& name, std::vector<uint16_t> ch) {
    return be16(slot) + ":" + name + ":" + number_list(ch);
}

std::string set_args(uint16_t slot, const std::string& name, uint32_t raw, std::vector<uint16_t> ch) {
    return be16(slot) + ":" + name + ":" + be32(raw) + ":" + number_list(ch);
}

// One subscription item of each kind, the last ended by a NUL.
std::string channel_item(uint16_t slot, uint16_t ch, const std::string& name) {
    return be16(0) + ":" + be16(slot) + ":" + be16(ch) + ":" + name;
}
std::string board_item(uint16_t slot, const std::string& name) { return be16(1) + ":" + be16(slot) + ":" + name; }
std::string system_item(const std::string& name) { return be16(2) + ":" + name; }
std::string notice_item(const std::string& name) { return be16(3) + ":" + name; }

std::string subscribe_args(int port, const std::vector<std::string>& items) {
    std::string s = be16(static_cast<uint16_t>(port)) + ":" + be16(static_cast<uint16_t>(items.size())) + ":";
    for (size_t i = 0; i < items.size(); ++i) s += items[i] + (i + 1 < items.size() ? ":" : std::string(1, '\0'));
    return s;
}

std::vector<uint32_t> identifiers(const MfReply& r) {
    std::vector<uint32_t> ids;
    for (size_t at = 3; at + 4 <= r.data.size(); at += 4) ids.push_back(get32(r.data, at));
    return ids;
}

uint32_t channel_id(int slot, int ch, int index) {
    return static_cast<uint32_t>(slot) << 24 | static_cast<uint32_t>(ch) << 8 | static_cast<uint32_t>(index);
}

} // namespace

TEST(MainframeProcess, LoginRefusalsAndCrateMap) {
    auto sim = SimProcess::start("mainframe", {"--max-sessions", "2"});
    EXPECT_EQ(sim->host(), "127.0.0.2");

    MfClient c = connect_to(*sim);
    MfReply bad = c.login("admin", "wrong");
    EXPECT_EQ(bad.status, 4103);
    EXPECT_EQ(bad.text, "Wrong user name or password");
    EXPECT_EQ(c.request("GETSYSINFO").status, 4098); // no session yet

    MfReply ok = c.login("admin", "admin");
    ASSERT_EQ(ok.status, 0);
    EXPECT_EQ(ok.text, "ok");
    ASSERT_EQ(ok.data.size(), 4u);

    MfReply map = c.request("GETCRATEMAP");
    ASSERT_EQ(map.status, 0);
    EXPECT_EQ(map.data.substr(0, 2), be16(6));
    EXPECT_NE(map.data.find(":ZB3012P:12 Ch Pos. 3KV 3mA:"), std::string::npos);
    // Slot 2 is empty: a 0 byte between its ':' and slot 3's.
    EXPECT_NE(map.data.find(std::string(":\0:ZB4016M", 10)), std::string::npos);
    EXPECT_EQ(map.data.substr(map.data.size() - 2), std::string(":\0", 2)); // slot 5

    MfReply comp = c.request("GETSYSCOMP");
    EXPECT_EQ(comp.data.substr(0, 5), std::string("\x01:\x00\x06:", 5));
    EXPECT_EQ(get32(comp.data, 5 + 4 * 4), 48u);

    EXPECT_EQ(c.request("TSTBDPRES", be16(2)).status, 7);
    EXPECT_EQ(c.request("TSTBDPRES", be16(6)).status, 10);
    EXPECT_EQ(c.request("TSTBDPRES", be16(4)).data.substr(0, 8), "ZB2548B:");
    EXPECT_EQ(c.request("GETSYSNAME").data, "KR2440,HV crate 1");
    EXPECT_EQ(c.request("GETFANSTAT").status, 6); // a legacy crate's command
    EXPECT_EQ(c.request("NOSUCH", "", false).text, "Command not supported");

    c.session ^= 1;
    EXPECT_EQ(c.request("GETSWREL").status, 4098);
    c.session ^= 1;

    // A read-only user reads but may not write.
    MfClient guest = connect_to(*sim);
    ASSERT_EQ(guest.login("guest", "guest").status, 0);
    EXPECT_EQ(guest.request("GETCHPARAM", channel_args(0, "VSet", {0})).status, 0);
    MfReply refused = guest.request("SETCHPARAM", set_args(0, "VSet", 100, {0}));
    EXPECT_EQ(refused.status, 18);
    EXPECT_EQ(refused.text, "User has no write access");
    EXPECT_EQ(sim->control("sessions"), "OK 2");
    MfClient third = connect_to(*sim);
    EXPECT_EQ(third.login("user", "user").status, 25);
    EXPECT_EQ(c.request("LOGOUT").status, 0);
    EXPECT_EQ(sim->control("sessions"), "OK 1");
    EXPECT_EQ(third.login("user", "user").status, 0);
}

TEST(MainframeProcess, SetRampKillAndLayoutChange) {
    auto sim = SimProcess::start("mainframe", {"--tcp", "127.0.0.2:0"});
    MfClient c = logged_in(*sim);
    ASSERT_EQ(c.request("GETSYSINFO").status, 0);
    // 1234.56 V on a descriptor with decimals 1 and scale 10 is raw 12346.
    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "VSet", 12346, {0, 1})).status, 0);
    EXPECT_EQ(c.request("GETCHPARAM", channel_args(0, "VSet", {1, 0})).data, be32(12346) + be32(12346));
    EXPECT_EQ(sim->control("get 0 1 VSet"), "OK 1234.6");
    EXPECT_EQ(c.request("SETCHPARAM", set_args(0, "VSet", 30001, {0})).status, 10); // above 3000 V
    EXPECT_EQ(c.request("SETCHPARAM", set_args(0, "VMon", 1, {0})).status, 18);
    EXPECT_EQ(c.request("SETCHPARAM", set_args(0, "VSet", 1, {12})).status, 10);
    EXPECT_EQ(c.request("GETCHPARAM", channel_args(0, "NoSuch", {0})).status, 22);
    EXPECT_EQ(c.request("GETCHPARAM", channel_args(2, "VSet", {0})).status, 7);
    EXPECT_EQ(c.request("GETCHPARAM", be16(0) + ":VSet:" + be16(3) + ":" + be16(0)).status, 26);

    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "VSet", 2000, {0})).status, 0);
    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "RUp", 500, {0})).status, 0);
    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "Pw", 1, {0})).status, 0);
    uint32_t vmon = 0;
    EXPECT_TRUE(eventually([&] {
        MfReply r = c.request("GETCHPARAM", channel_args(0, "VMon", {0}));
        vmon = r.data.size() == 4 ? get32(r.data) : 0;
        return vmon == 2000;
    })) << "VMon stopped at raw " << vmon;
    MfReply status = c.request("GETCHPARAM", channel_args(0, "Status", {0}));
    EXPECT_EQ(get32(status.data), 1u); // on, no longer ramping

    // Board parameters: HVMax is raw 300 for 3000 V (scale 10 without decimals).
    EXPECT_EQ(c.request("GETBDPARAM", "HVMax:" + number_list({0, 1})).data, be32(300) + be32(600));
    EXPECT_EQ(c.request("GETBDPARAM", "HVMax:" + number_list({2})).status, 7);

    // Kill takes two requests in a row; ClearAlarm undoes its mark.
    EXPECT_EQ(c.request("KILL_2").status, 26);
    EXPECT_EQ(c.request("KILL_1").status, 0);
    EXPECT_EQ(c.request("KILL_2").status, 0);
    EXPECT_EQ(c.request("GETCHPARAM", channel_args(0, "VMon", {0})).data, be32(0));
    EXPECT_EQ(get32(c.request("GETCHPARAM", channel_args(0, "Status", {0})).data), 1u << 12);
    EXPECT_EQ(c.request("CLRALARM_1").status, 0);
    EXPECT_EQ(c.request("CLRALARM_2").status, 0);
    EXPECT_EQ(get32(c.request("GETCHPARAM", channel_args(0, "Status", {0})).data), 0u);

    // A moved board: every value request answers 20 until the session reads
    // the description again.
    EXPECT_EQ(sim->control("move 3 2"), "OK");
    MfReply changed = c.request("GETCHPARAM", channel_args(0, "VSet", {0}));
    EXPECT_EQ(changed.status, 20);
    EXPECT_EQ(changed.text, "System configuration is change");
    EXPECT_EQ(c.request("GETCHNAME", be16(0) + ":" + number_list({0})).status, 20);
    ASSERT_EQ(c.request("GETSYSINFO").status, 0);
    EXPECT_EQ(c.request("GETCHPARAM", channel_args(2, "VSet", {0})).status, 0);
    EXPECT_EQ(c.request("GETCHPARAM", channel_args(3, "VSet", {0})).status, 7);

    // Channel names: eleven characters at most; a name may hold ':'.
    EXPECT_EQ(c.request("SETCHNAME", be16(2) + ":a:b:" + number_list({0, 3})).status, 0);
    EXPECT_EQ(c.request("SETCHNAME", be16(2) + ":" + std::string(12, 'n') + ":" + number_list({0})).status, 10);
    EXPECT_EQ(c.request("GETCHNAME", be16(2) + ":" + number_list({3, 1})).data,
              std::string("a:b\0Chan001\0", 12));
    EXPECT_EQ(sim->control("count SETCHNAME"), "OK 2");
}

TEST(MainframeProcess, SubscriptionPushesFramesFromTheCrateAddress) {
    auto sim = SimProcess::start("mainframe", {"--keepalive", "300"});
    MfClient c = logged_in(*sim);
    MfEventPort events;
    MfReply sub = c.request("NEWSUBSCRIBE",
                            subscribe_args(events.port(), {channel_item(0, 0, "VMon"), board_item(0, "BdStatus"),
                                                           system_item("SymbolicName"), channel_item(2, 0, "VMon"),
                                                           channel_item(0, 12, "VMon"), notice_item("KeepAlive")}));
    ASSERT_EQ(sub.status, 0) << sub.text;
    std::vector<uint32_t> ids = identifiers(sub);
    ASSERT_EQ(ids.size(), 6u);
    EXPECT_EQ(sub.data.substr(0, 3), be16(6) + ":");
    EXPECT_EQ(ids[5], 0xFE000000u);
    EXPECT_EQ(ids[0], channel_id(0, 0, 2));
    EXPECT_EQ(ids[1], 0x00FFFF00u);
    EXPECT_EQ(ids[2] >> 24, 16u);
    EXPECT_EQ(ids[3], 0xFFFFFFFFu); // slot 2 is empty
    EXPECT_EQ(ids[4], 0xFFFFFFFFu); // no channel 12 there

    std::string peer;
    ASSERT_TRUE(events.accept(kWaitMs, &peer));
    EXPECT_EQ(peer, sim->host()); // from the crate's own address
    auto first = events.frame(kWaitMs);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->header.substr(0, 6), "ZEVAHV");
    EXPECT_EQ(first->count, 3u);
    EXPECT_EQ(first->total, 45u + 12 + 12 + 8 + 10);
    ASSERT_TRUE(first->find(ids[2]));
    EXPECT_EQ(first->find(ids[2])->form, 1);
    EXPECT_EQ(first->find(ids[2])->value, "HV crate 1");
    EXPECT_EQ(first->states[0], 1);
    EXPECT_EQ(first->states[2], 0); // empty slot
    EXPECT_EQ(first->states[16], 1);

    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "VSet", 1000, {0})).status, 0);
    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "RUp", 500, {0})).status, 0);
    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "Pw", 1, {0})).status, 0);
    uint32_t last = 0;
    bool reached = eventually([&] {
        auto f = events.frame(1000);
        if (f && f->find(ids[0])) last = f->find(ids[0])->number();
        return last == 1000;
    });
    EXPECT_TRUE(reached) << "VMon pushed up to raw " << last;

    // A trip shows in the board's and the system's state bytes.
    EXPECT_EQ(sim->control("trip 0 0"), "OK");
    EXPECT_TRUE(eventually([&] {
        auto f = events.frame(1000);
        return f && f->states[0] == 11 && f->states[16] == 11;
    }));
    // A pulled board: a live-insertion notice (slot 4, pulled).
    EXPECT_EQ(sim->control("pull 4"), "OK");
    EXPECT_TRUE(eventually([&] {
        auto f = events.frame(1000);
        const MfItem* n = f ? f->find(0xFE000001u) : nullptr;
        return n && n->value.substr(0, 2) == std::string("\x04\x00", 2) && f->states[4] == 0;
    }));

    // Unsubscribed: only keep-alives come.
    MfReply unsub = c.request("NEWUNSUBSCRIBE", be16(static_cast<uint16_t>(events.port())) + ":" + be16(3) +
                                                    ":" + be32(ids[0]) + ":" + be32(ids[1]) + ":" + be32(ids[2]) +
                                                    std::string(1, '\0'));
    ASSERT_EQ(unsub.status, 0) << unsub.text;
    EXPECT_EQ(identifiers(unsub), (std::vector<uint32_t>{ids[0], ids[1], ids[2]}));
    EXPECT_EQ(sim->control("subscriptions"), "OK 1"); // the keep-alive notice
    EXPECT_TRUE(eventually([&] {
        auto f = events.frame(1000);
        return f && f->count == 1 && f->find(0xFE000000u);
    }));

    // The event connection ends with the session.
    EXPECT_EQ(c.request("LOGOUT").status, 0);
    EXPECT_TRUE(events.closed_within(kWaitMs));
}

TEST(MainframeProcess, EventFaultsDamageTheStreamOnDemand) {
    auto sim = SimProcess::start("mainframe", {"--keepalive", "60000"});
    MfClient c = logged_in(*sim);
    MfEventPort events;
    ASSERT_EQ(c.request("NEWSUBSCRIBE", subscribe_args(events.port(), {channel_item(1, 3, "IMon")})).status, 0);
    ASSERT_TRUE(events.accept(kWaitMs));
    ASSERT_TRUE(events.frame(kWaitMs)); // the first values

    EXPECT_EQ(sim->control("event empty"), "OK 1");
    auto empty = events.frame(kWaitMs);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->count, 0u);
    EXPECT_EQ(empty->total, 45u);

    EXPECT_EQ(sim->control("event overcount 3"), "OK 1");
    auto over = events.frame(kWaitMs);
    ASSERT_TRUE(over);
    EXPECT_EQ(over->count, 4u);
    EXPECT_EQ(over->items.size(), 1u);

    EXPECT_EQ(sim->control("event flood 50"), "OK 1");
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(events.frame(kWaitMs)) << "frame " << i;

    EXPECT_EQ(sim->control("event long-text 3000"), "OK 1");
    auto text = events.frame(kWaitMs);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->items.at(0).value, std::string(3000, 'A'));

    EXPECT_EQ(sim->control("event bad-magic"), "OK 1");
    auto bad = events.frame(kWaitMs);
    ASSERT_TRUE(bad);
    EXPECT_NE(bad->header.substr(0, 6), "ZEVAHV");

    // Half a frame, then the connection closes; a new subscription to the
    // port connects again.
    EXPECT_EQ(sim->control("event cut"), "OK 1");
    std::string half = events.read_some(1000, kWaitMs);
    EXPECT_EQ(half.substr(0, 6), "ZEVAHV");
    EXPECT_LT(half.size(), 45u + 12);
    EXPECT_TRUE(events.closed_within(kWaitMs));
    ASSERT_EQ(c.request("NEWSUBSCRIBE", subscribe_args(events.port(), {channel_item(1, 4, "IMon")})).status, 0);
    ASSERT_TRUE(events.accept(kWaitMs));
    auto again = events.frame(kWaitMs);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->count, 2u); // everything subscribed on the port, anew

    // A port where nothing listens: the subscription is refused.
    int dead_port;
    {
        MfEventPort gone;
        dead_port = gone.port();
    }
    MfReply refused = c.request("NEWSUBSCRIBE", subscribe_args(dead_port, {channel_item(1, 3, "IMon")}));
    EXPECT_EQ(refused.status, 2);

    // Readout noise: the monitor moves one raw step and back, every change pushed.
    EXPECT_EQ(sim->control("ripple 100"), "OK");
    std::vector<uint32_t> seen;
    while (seen.size() < 3) {
        auto f = events.frame(kWaitMs);
        ASSERT_TRUE(f);
        if (const MfItem* i = f->find(channel_id(1, 3, 3))) seen.push_back(i->number());
    }
    EXPECT_EQ(seen[1], seen[0] ^ 1u);
    EXPECT_EQ(seen[2], seen[0]);
    EXPECT_EQ(sim->control("ripple 0"), "OK");
}

TEST(MainframeProcess, LegacyCrateSendsDatagrams) {
    auto sim = SimProcess::start("kr2210", {"--tcp", "127.0.0.7:0", "--keepalive", "60000"});
    MfClient c = connect_to(*sim);
    EXPECT_EQ(c.login("admin", "admin").status, 6); // LOGINSYSTEM: not this generation's
    ASSERT_EQ(c.login("admin", "admin", "LOGIN").status, 0);
    EXPECT_EQ(c.request("GETSYSNAME").data, "KR2210,HV crate 1");
    EXPECT_EQ(c.request("GETFANSTAT").data.size(), 9u);
    EXPECT_EQ(c.request("GETRS232PARAM").data, "9600_8_N_1_0");
    EXPECT_EQ(c.request("GETHVFANSTAT").status, 6);
    EXPECT_EQ(c.request("NEWSUBSCRIBE", subscribe_args(1, {system_item("CPULoad")})).status, 6);

    MfDatagrams udp(sim->host(), sim->port());
    MfReply sub = c.request("SUBSCRIBE", subscribe_args(udp.port(), {channel_item(0, 0, "VSet"),
                                                                     channel_item(0, 0, "VSet"),
                                                                     channel_item(0, 0, "Nope")}));
    ASSERT_EQ(sub.status, 0);
    EXPECT_EQ(identifiers(sub), (std::vector<uint32_t>{channel_id(0, 0, 0), 0xFFFFFFFEu, 0xFFFFFFFFu}));
    auto single = udp.next(kWaitMs);
    ASSERT_TRUE(single);
    ASSERT_EQ(single->size(), 28u);
    EXPECT_EQ(single->substr(0, 8), std::string("ZEVA\x01\x00\x00\x01", 8));
    EXPECT_EQ(get32(*single, 16), channel_id(0, 0, 0));

    ASSERT_EQ(c.request("SUBSCRIBE", subscribe_args(udp.port(), {channel_item(0, 1, "VSet")})).status, 0);
    ASSERT_TRUE(udp.next(kWaitMs)); // the new item's value
    ASSERT_EQ(c.request("SETCHPARAM", set_args(0, "VSet", 500, {0, 1})).status, 0);
    auto batch = udp.next(kWaitMs);
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->substr(0, 5), "ZEVA\x02");
    EXPECT_EQ(batch->substr(6, 4), be16(static_cast<uint16_t>(batch->size())) + be16(2));

    EXPECT_EQ(sim->control("event bad-length"), "OK 1");
    auto wrong = udp.next(kWaitMs);
    ASSERT_TRUE(wrong);
    EXPECT_NE(wrong->substr(6, 2), be16(static_cast<uint16_t>(wrong->size())));
    EXPECT_EQ(sim->control("event cut"), "OK 1");
    auto cut = udp.next(kWaitMs);
    ASSERT_TRUE(cut);
    EXPECT_LT(cut->size(), 28u);
}

TEST(MainframeProcess, ReplyFaults) {
    auto sim = SimProcess::start("mainframe");
    MfClient c = logged_in(*sim);

    EXPECT_EQ(sim->control("fault-once wrong-name GETDUMMY for GETSWREL"), "OK");
    EXPECT_EQ(c.request("GETCPULOAD").status, 0); // another command: untouched
    EXPECT_EQ(c.request("GETSWREL").payload.substr(0, 9), "GETDUMMY:");
    EXPECT_EQ(c.request("GETSWREL").payload.substr(0, 9), "GETSWREL:"); // once only

    EXPECT_EQ(sim->control("fault-once refuse 12 Property yet not avalaible"), "OK");
    MfReply refused = c.request("GETCPULOAD");
    EXPECT_EQ(refused.status, 12);
    EXPECT_EQ(refused.text, "Property yet not avalaible");

    EXPECT_EQ(sim->control("fault-once cut-data 5"), "OK");
    EXPECT_EQ(c.request("GETSYSINFO").data.size(), 5u);

    EXPECT_EQ(sim->control("fault-once silent"), "OK");
    EXPECT_FALSE(c.request("GETSWREL", "", true, 300).received);
    // The silent request's reply never comes: the next one is answered.
    EXPECT_EQ(c.request("GETSWREL").data, "5.20");

    EXPECT_EQ(sim->control("fault-once length 0"), "OK");
    std::string p = "GETSWREL:" + be32(c.session);
    ASSERT_TRUE(c.send_raw(be32(static_cast<uint32_t>(p.size())) + p));
    std::string raw = c.read_some(4096, kWaitMs);
    EXPECT_EQ(raw.substr(0, 13), be32(0) + "GETSWREL:");

    EXPECT_EQ(sim->control("fault close-midreply"), "OK");
    MfClient d = connect_to(*sim);
    ASSERT_TRUE(d.send_raw(be32(12) + "LOGIN:ad:min"));
    std::string partial = d.read_some(4096, kWaitMs);
    EXPECT_FALSE(partial.empty());
    EXPECT_TRUE(d.closed_within(kWaitMs));
    EXPECT_EQ(sim->control("fault none"), "OK");

    // A length no request has closes the connection; others go on.
    MfClient e = connect_to(*sim);
    ASSERT_TRUE(e.send_raw(be32(0x80000000u) + "GETSWREL"));
    EXPECT_TRUE(e.closed_within(kWaitMs));
    EXPECT_EQ(sim->control("disconnect"), "OK 1");
    EXPECT_TRUE(c.closed_within(kWaitMs));
    MfClient f = logged_in(*sim);
    EXPECT_EQ(f.request("GETSWREL").data, "5.20");
}

TEST(MainframeProcess, CommandLineAndCrateFiles) {
    auto run = [](const std::string& args, std::string* out) {
        std::string cmd = std::string(SimProcess::binary_path()) + " " + args + " 2>&1 </dev/null";
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return -1;
        char buf[4096];
        size_t n;
        out->clear();
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out->append(buf, n);
        int st = pclose(p);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    };
    std::string out;
    EXPECT_EQ(run("mainframe --help", &out), 0);
    EXPECT_NE(out.find("Crate file (JSON)"), std::string::npos);
    EXPECT_NE(out.find("slot 2: empty"), std::string::npos);
    EXPECT_EQ(run("mainframe --tcp 192.168.0.1:0", &out), 2);
    EXPECT_NE(out.find("loopback"), std::string::npos);
    EXPECT_EQ(run("mainframe --crate /nonexistent.json", &out), 2);
    EXPECT_EQ(run("mainframe --fault nonsense", &out), 2);

    // The printed crate is a crate file; a changed copy serves.
    char path[] = "/tmp/zevahv-crate-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(run("mainframe --print-crate > " + std::string(path), &out), 0);
    std::string edit = "sed -i 's/\"HV crate 1\"/\"Test crate\"/' " + std::string(path);
    ASSERT_EQ(std::system(edit.c_str()), 0);
    {
        auto sim = SimProcess::start("kr2550", {"--crate", path, "--tcp", "127.0.0.8:0"});
        MfClient c = logged_in(*sim);
        EXPECT_EQ(c.request("GETSYSNAME").data, "KR2550,Test crate");
    }
    unlink(path);
}
