// A module that misbehaves while it is being opened: the open fails with
// 4100 within a bounded time, leaves no descriptor and no slot behind, and
// once the module behaves again the same address opens normally.
#include <gtest/gtest.h>

#include <thread>

#include "fault_support.h"

namespace {

struct OpenFault {
    const char* name;
    const char* mode;
    int late_ms;
};

constexpr OpenFault kOpenFaults[] = {
    {"Silent", "silent", 0},
    {"Late", "delay 1800", 1800},
    {"CloseMidLine", "close-midline", 0},
    {"LongLine5000", "long-line 5000", 0},
    {"NoLineEnd", "no-eol", 0},
    {"OtherBoard", "wrong-board", 0},
    {"Garbage", "garbage", 0},
};

using Param = std::tuple<Transport, OpenFault>;
class OpenFaults : public ::testing::TestWithParam<Param> {};

TEST_P(OpenFaults, FailsCleanlyAndTheModuleOpensOnceItAnswers) {
    const Transport t = std::get<0>(GetParam());
    const OpenFault f = std::get<1>(GetParam());
    auto sim = start_q3815(t);
    const int fds = open_fd_count();

    control_ok(*sim, std::string("fault ") + f.mode);
    int h = 12345;
    Stopwatch open_call;
    EXPECT_EQ(open_q3815(*sim, t, &h), ZEVAHV_ERR_OPENFAILED);
    EXPECT_LT(open_call.seconds(), kCallBoundS);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(open_fd_count(), fds) << "the failed open left a descriptor open";

    control_ok(*sim, "fault none");
    if (f.late_ms > 0) {
        // The module may still be sending the reply it was late with.
        std::this_thread::sleep_for(std::chrono::milliseconds(f.late_ms + 500));
    }
    ASSERT_EQ(open_q3815(*sim, t, &h), 0);
    float v = -1;
    EXPECT_EQ(read_vset(h, 0, &v), 0);
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    EXPECT_EQ(open_fd_count(), fds);
}

std::string case_name(const ::testing::TestParamInfo<Param>& info) {
    return std::string(transport_name(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Modules, OpenFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::ValuesIn(kOpenFaults)),
                         case_name);

// Nothing listens on the address at all.
TEST(OpenFaultsNoModule, AnAddressWithoutAModuleFailsWithin4100) {
    int h = 0;
    const int fds = open_fd_count();
    std::string arg = "127.0.0.1:1_0";  // port 1: nobody serves it
    Stopwatch call;
    EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, arg.data(), "", "", &h),
              ZEVAHV_ERR_OPENFAILED);
    EXPECT_LT(call.seconds(), kCallBoundS);
    std::string serial = "/dev/zevahv-no-such-port7_9600_8_0_0_0";
    EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, serial.data(), "", "", &h),
              ZEVAHV_ERR_OPENFAILED);
    EXPECT_EQ(open_fd_count(), fds);
}

}  // namespace

// Addresses are numeric IPv4 texts: anything else fails at once, without a
// socket (and without a name lookup: frame.no_name_lookup checks that the
// library cannot make one).
TEST(OpenFaultsNoModule, AddressesThatAreNotNumbersAreRefusedAtOnce) {
    const int fds = open_fd_count();
    for (const char* address : {"300.1.1.1_0", "localhost_0", "127.0.0.1:99999_0", "1.2.3_0",
                                "zevahv.invalid_0", "127.0.0.1.5_0", " 127.0.0.1_0", "_0"}) {
        int h = 0;
        std::string arg = address;
        EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, arg.data(), "", "", &h),
                  ZEVAHV_ERR_OPENFAILED)
            << address;
        EXPECT_EQ(h, -1);
    }
    EXPECT_EQ(open_fd_count(), fds);
}
