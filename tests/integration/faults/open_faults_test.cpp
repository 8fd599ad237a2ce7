// A module that misbehaves while it is being opened: the open fails with
// 4100 within a bounded time, leaves no descriptor and no slot behind, and
// once the module behaves again the same address opens normally.
#include <gtest/gtest.h>

#include "fault_support.h"

namespace {

using Param = std::tuple<Transport, FaultCase>;
class OpenFaults : public ::testing::TestWithParam<Param> {};

TEST_P(OpenFaults, FailsCleanlyAndTheModuleOpensOnceItAnswers) {
    const Transport t = std::get<0>(GetParam());
    auto sim = start_family(kQ3815, t);
    check_open_fault(kQ3815, *sim, t, std::get<1>(GetParam()));
}

std::string case_name(const ::testing::TestParamInfo<Param>& info) {
    return std::string(transport_name(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Modules, OpenFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::ValuesIn(kFaultCases)),
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
