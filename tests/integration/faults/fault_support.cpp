#include "fault_support.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "crate_map.h"
#include "event_listener.h"

const char* transport_name(Transport t) { return t == Transport::Tcp ? "Tcp" : "Serial"; }

void PrintTo(const FaultFamily& f, std::ostream* os) { *os << f.name; }
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

const FaultFamily kQ3815 = {
    "Q3815", "q3815", ZEVAHV_SYS_Q3815, "ZEVA_Q3815_HVL_%03d", true,
    {"set 0 VSET 0 100", "set 0 VSET 1 200"},
    {"VSet", 0, true, 100}, {"VSet", 1, true, 200}, {"VSet", 1, true, 250},
    "Alarm", "VMon"};

const std::vector<FaultFamily> kNewFamilies = {
    {"Rd40xxe", "rd40xxe", ZEVAHV_SYS_RD40XXE, "ZEVA_RD40XXE_HVL_%03d", false,
     {"set 0 VSET 0 100", "set 0 VSET 1 200"},
     {"VSet", 0, true, 100}, {"VSet", 1, true, 200}, {"VSet", 1, true, 250},
     "BdAlarm", "VMon"},
    {"W7300", "w7300", ZEVAHV_SYS_W7300, "ZEVA_W7300_HVL_%03d", false,
     {"set 0 VSET 0 4.5", "set 0 VSET 1 5.2"},
     {"VSet", 0, true, 4.5f}, {"VSet", 1, true, 5.2f}, {"VSet", 1, true, 5.25f},
     "Temp", "VMon"},
    {"Lumenhv", "lumenhv", ZEVAHV_SYS_LUMENHV, "ZEVA_LUMENHV_HVL_%03d", false,
     {"set 0 VSet 0 100", "set 0 VSet 1 200"},
     {"VSet", 0, true, 100}, {"VSet", 1, true, 200}, {"VSet", 1, true, 250},
     "Temp", "VMon"},
    {"Kqps", "kqps", ZEVAHV_SYS_KQPS, "ZEVA_KQPS_HVL_%03d", true,
     {"set 0 MWVR -1 100", "set 0 MWIR -1 7"},
     {"VSet", 0, true, 100}, {"ISet", 0, true, 7}, {"ISetDir", 0, true, 5},
     "Temp", "VMon"},
    {"Zbk", "zbk", ZEVAHV_SYS_ZBK, "ZEVA_ZBK_HVL_%03d", false,
     {"set 0 ON 1 1"},
     {"Pw", 0, false, 0}, {"Pw", 1, false, 1}, {"Pw", 1, false, 0},
     nullptr, "V5"},
};

const std::vector<FaultCase> kFaultCases = {
    {"Silent", "silent", 0},
    {"Late", "delay 1800", 1800},
    {"CloseMidLine", "close-midline", 0},
    {"LongLine5000", "long-line 5000", 0},
    {"NoLineEnd", "no-eol", 0},
    {"OtherBoard", "wrong-board", 0},
    {"Garbage", "garbage", 0},
};

std::vector<FaultCase> fault_cases_of(const FaultFamily& f) {
    std::vector<FaultCase> cases;
    for (const FaultCase& c : kFaultCases)
        if (f.misdirects || std::strcmp(c.mode, "wrong-board") != 0) cases.push_back(c);
    return cases;
}

std::unique_ptr<SimProcess> start_family(const FaultFamily& f, Transport t) {
    std::vector<std::string> args;
    if (t == Transport::Serial) args.push_back("--pty");
    auto sim = SimProcess::start(f.device, std::move(args));
    for (const std::string& line : f.preset) control_ok(*sim, line);
    return sim;
}

int open_family(const FaultFamily& f, const SimProcess& sim, Transport t, int* handle,
                const std::string& extra) {
    std::string arg = (t == Transport::Tcp ? sim.tcp_arg(0) : sim.serial_arg(0)) + extra;
    return ZEVAHV_InitSystem(f.type, t == Transport::Tcp ? ZEVAHV_LINK_TCPIP : ZEVAHV_LINK_USBVCP,
                             arg.data(), "", "", handle);
}

int read_probe(int h, const Probe& p, bool* matches) {
    unsigned char raw[4] = {0xde, 0xad, 0xbe, 0xef};
    const int r = ZEVAHV_GetChParam(h, 0, p.param, 1, &p.ch, raw);
    if (matches) {
        if (p.number) {
            float v = 0;
            std::memcpy(&v, raw, 4);
            *matches = r == 0 && v == p.value;
        } else {
            unsigned v = 0;
            std::memcpy(&v, raw, 4);
            *matches = r == 0 && v == static_cast<unsigned>(p.value);
        }
    }
    return r;
}

int write_probe(int h, const Probe& p) {
    unsigned char raw[4];
    if (p.number) {
        std::memcpy(raw, &p.value, 4);
    } else {
        const unsigned u = static_cast<unsigned>(p.value);
        std::memcpy(raw, &u, 4);
    }
    return ZEVAHV_SetChParam(h, 0, p.param, 1, &p.ch, raw);
}

void control_ok(SimProcess& sim, const std::string& cmd) {
    EXPECT_EQ(sim.control(cmd).rfind("OK", 0), 0u) << cmd;
}

namespace {

// A late reply is still on its way when the call gives up; nothing outside
// the library shows when it has landed, so wait it out.
void let_late_reply_land(const FaultCase& c, const Stopwatch& since_call) {
    if (c.late_ms <= 0) return;
    const double left = c.late_ms / 1000.0 + 0.5 - since_call.seconds();
    if (left > 0) std::this_thread::sleep_for(std::chrono::duration<double>(left));
}

void expect_probe(int h, const Probe& p) {
    bool matches = false;
    EXPECT_EQ(read_probe(h, p, &matches), 0) << p.param << " " << p.ch;
    EXPECT_TRUE(matches) << p.param << " " << p.ch << " does not read " << p.value;
}

} // namespace

void check_one_bad_reply(const FaultFamily& f, SimProcess& sim, int h, const FaultCase& c) {
    SCOPED_TRACE(std::string(f.name) + " " + c.name);
    control_ok(sim, std::string("fault-once ") + c.mode);
    Stopwatch read_call;
    EXPECT_EQ(read_probe(h, f.a), ZEVAHV_ERR_READ);
    EXPECT_LT(read_call.seconds(), kCallBoundS);
    let_late_reply_land(c, read_call);
    // Another value than the failed one: a leftover of the bad reply taken
    // for this answer would show as a's value.
    expect_probe(h, f.b);

    control_ok(sim, std::string("fault-once ") + c.mode);
    Stopwatch write_call;
    EXPECT_EQ(write_probe(h, f.write), ZEVAHV_ERR_WRITE);
    EXPECT_LT(write_call.seconds(), kCallBoundS);
    let_late_reply_land(c, write_call);
    expect_probe(h, f.a);
    // The written value reached the module; only its reply was bad.
    expect_probe(h, f.write);
    // Back to b's value for the next check.
    EXPECT_EQ(write_probe(h, f.b), 0);
}

void check_persistent_fault(const FaultFamily& f, SimProcess& sim, int h, const FaultCase& c) {
    SCOPED_TRACE(std::string(f.name) + " " + c.name);
    control_ok(sim, std::string("fault ") + c.mode);
    for (int i = 0; i < 3; ++i) {
        Stopwatch call;
        EXPECT_EQ(read_probe(h, i % 2 ? f.b : f.a), ZEVAHV_ERR_READ) << i;
        EXPECT_LT(call.seconds(), kCallBoundS) << i;
    }
    Stopwatch call;
    EXPECT_EQ(write_probe(h, f.write), ZEVAHV_ERR_WRITE);
    EXPECT_LT(call.seconds(), kCallBoundS);

    control_ok(sim, "fault none");
    expect_probe(h, f.a);
    EXPECT_EQ(write_probe(h, f.b), 0);
}

void check_open_fault(const FaultFamily& f, SimProcess& sim, Transport t, const FaultCase& c) {
    SCOPED_TRACE(std::string(f.name) + " " + c.name);
    const int fds = open_fd_count();
    control_ok(sim, std::string("fault ") + c.mode);
    int h = 12345;
    Stopwatch open_call;
    EXPECT_EQ(open_family(f, sim, t, &h), ZEVAHV_ERR_OPENFAILED);
    EXPECT_LT(open_call.seconds(), kCallBoundS);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(open_fd_count(), fds) << "the failed open left a descriptor open";

    control_ok(sim, "fault none");
    if (c.late_ms > 0) {
        // The module may still be sending the reply it was late with.
        std::this_thread::sleep_for(std::chrono::milliseconds(c.late_ms + 500));
    }
    ASSERT_EQ(open_family(f, sim, t, &h), 0);
    expect_probe(h, f.a);
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    EXPECT_EQ(open_fd_count(), fds);
}

namespace {

// The item list: the channel parameter on every channel, and the board
// parameter.
std::string polled_items(const FaultFamily& f, int handle, int channels, unsigned* count) {
    char lock[64];
    std::snprintf(lock, sizeof lock, f.lock_format, handle);
    std::string list;
    *count = 0;
    for (int ch = 0; ch < channels; ++ch) {
        char item[128];
        std::snprintf(item, sizeof item, "%s.Board00.CHAN%03d.%s", lock, ch, f.poll_channel);
        list += (list.empty() ? "" : ":") + std::string(item);
        ++*count;
    }
    if (f.poll_board) {
        list += ":" + std::string(lock) + ".Board00." + f.poll_board;
        ++*count;
    }
    return list;
}

long sim_count(SimProcess& sim) {
    std::string r = sim.control("count");
    return r.rfind("OK ", 0) == 0 ? std::stol(r.substr(3)) : -1;
}

// Waits until the simulator has received `more` further commands: the
// polling thread has met the fault.
bool wait_for_commands(SimProcess& sim, long more, double bound_s) {
    const long start = sim_count(sim);
    Stopwatch w;
    while (w.seconds() < bound_s) {
        if (sim_count(sim) >= start + more) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Reads frames until one carries every subscribed value.
bool whole_frame_arrives(int fd, unsigned whole, int frames) {
    for (int i = 0; i < frames; ++i) {
        ZEVAHV_SYSTEMSTATUS_t status;
        IDValue_t* ev = nullptr;
        unsigned n = 0;
        const int r = ZEVAHV_GetEventData(fd, &status, &ev, &n);
        ZEVAHV_FreeEventData(&ev);
        if (r != 0) {
            ADD_FAILURE() << "GetEventData: " << r;
            return false;
        }
        if (n == whole) return true;
    }
    return false;
}

// True when the peer closes the connection within the bound (a frame still
// in flight is read and dropped).
bool closed_within(int fd, int bound_ms) {
    char buf[4096];
    Stopwatch w;
    while (w.seconds() * 1000 < bound_ms) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return true;
    }
    return false;
}

} // namespace

void check_polling_fault(const FaultFamily& f, SimProcess& sim, Transport t, const char* mode) {
    SCOPED_TRACE(std::string(f.name) + " " + mode);
    const int fds = open_fd_count();
    int h = -1;
    ASSERT_EQ(open_family(f, sim, t, &h), 0);

    EventListener listener;
    unsigned whole = 0;
    const std::string items = polled_items(f, h, crate_map(h).channels, &whole);
    std::vector<char> results(whole, 9);
    ASSERT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()),
                               static_cast<unsigned short>(whole), items.c_str(), results.data()),
              0);
    const int fd = listener.accept_one(10000);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(EventListener::read_ident(fd, 5000).empty());
    EXPECT_TRUE(whole_frame_arrives(fd, whole, 3));

    control_ok(sim, std::string("fault ") + mode);
    ASSERT_TRUE(wait_for_commands(sim, 3, 30));
    // The application's calls meet the same module meanwhile.
    Stopwatch call;
    EXPECT_EQ(read_probe(h, f.b), ZEVAHV_ERR_READ);
    EXPECT_LT(call.seconds(), kCallBoundS);

    control_ok(sim, "fault none");
    EXPECT_TRUE(whole_frame_arrives(fd, whole, 6)) << "polling did not recover from " << mode;

    // Closed while the module says nothing: the thread gives up within one
    // exchange, and the client's event connection ends.
    control_ok(sim, "fault silent");
    ASSERT_TRUE(wait_for_commands(sim, 1, 30));
    Stopwatch close_call;
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    EXPECT_LT(close_call.seconds(), kCallBoundS);
    EXPECT_TRUE(closed_within(fd, 10000));
    ::close(fd);
    control_ok(sim, "fault none");
    EXPECT_EQ(open_fd_count(), fds + 1) << "only the test's own listener may be left";
}
