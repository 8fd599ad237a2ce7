// Faults while the polling thread is reading subscribed values: frames
// simply miss what failed and come back whole once the module answers
// again; application calls in between get their codes within their wait;
// a system closed while its module is silent closes promptly and its event
// connection ends.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "event_listener.h"
#include "fault_support.h"

namespace {

constexpr unsigned kWholeFrame = 5;  // VMon of four channels and the board's Alarm

std::string items_for(int handle) {
    char lock[64];
    std::snprintf(lock, sizeof lock, "ZEVA_Q3815_HVL_%03d", handle);
    std::string list;
    for (int ch = 0; ch < 4; ++ch) {
        char item[96];
        std::snprintf(item, sizeof item, "%s.Board00.CHAN%03d.VMon", lock, ch);
        list += item;
        list += ':';
    }
    return list + lock + ".Board00.Alarm";
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
bool whole_frame_arrives(int fd, int frames) {
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
        if (n == kWholeFrame) return true;
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

using Param = std::tuple<Transport, const char*>;
class PollingFaults : public ::testing::TestWithParam<Param> {};

TEST_P(PollingFaults, FramesComeBackWholeAndCloseStaysPrompt) {
    const Transport t = std::get<0>(GetParam());
    const std::string mode = std::get<1>(GetParam());
    auto sim = start_q3815(t);
    const int fds = open_fd_count();
    int h = -1;
    ASSERT_EQ(open_q3815(*sim, t, &h), 0);

    EventListener listener;
    const std::string items = items_for(h);
    char results[kWholeFrame];
    ASSERT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()), kWholeFrame, items.c_str(),
                               results),
              0);
    const int fd = listener.accept_one(10000);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(EventListener::read_ident(fd, 5000).empty());
    EXPECT_TRUE(whole_frame_arrives(fd, 3));

    control_ok(*sim, "fault " + mode);
    ASSERT_TRUE(wait_for_commands(*sim, 3, 30));
    // The application's calls meet the same module meanwhile.
    float v = -1;
    Stopwatch call;
    EXPECT_EQ(read_vset(h, 2, &v), ZEVAHV_ERR_READ);
    EXPECT_LT(call.seconds(), kCallBoundS);

    control_ok(*sim, "fault none");
    EXPECT_TRUE(whole_frame_arrives(fd, 6)) << "polling did not recover from " << mode;

    // Closed while the module says nothing: the thread gives up within one
    // exchange, and the client's event connection ends.
    control_ok(*sim, "fault silent");
    ASSERT_TRUE(wait_for_commands(*sim, 1, 30));
    Stopwatch close_call;
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    EXPECT_LT(close_call.seconds(), kCallBoundS);
    EXPECT_TRUE(closed_within(fd, 10000));
    ::close(fd);
    EXPECT_EQ(open_fd_count(), fds + 1) << "only the test's own listener may be left";
}

std::string case_name(const ::testing::TestParamInfo<Param>& info) {
    std::string m = std::get<1>(info.param);
    for (char& c : m)
        if (c == '-') c = '_';
    return std::string(transport_name(std::get<0>(info.param))) + "_" + m;
}

INSTANTIATE_TEST_SUITE_P(Modules, PollingFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::Values("silent", "garbage", "close-midline",
                                                              "no-eol")),
                         case_name);

}  // namespace
