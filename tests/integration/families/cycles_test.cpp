// A thousand opens and closes of each family, with a subscription now and
// then: the handle comes back, and nothing of a closed system stays behind
// (descriptors and threads here, memory under the sanitizer build's leak
// check).  Linked with the library's own objects so that the modules'
// pauses at open (meant for real hardware, a second or more per open) can
// be left out: the simulators need no time.
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "family_session.h"
#include "modules/module.h"
#include "process_counts.h"

namespace {

struct CycleCase {
    const char* name;
    const char* device;
    int type;
    const char* item;  // a channel parameter subscribed every tenth cycle
};

void PrintTo(const CycleCase& c, std::ostream* os) { *os << c.name; }

const CycleCase kCases[] = {
    {"Rd40xxe", "rd40xxe", ZEVAHV_SYS_RD40XXE, "VMon"},
    {"W7300", "w7300", ZEVAHV_SYS_W7300, "VMon"},
    {"Lumenhv", "lumenhv", ZEVAHV_SYS_LUMENHV, "VMon"},
    {"Kqps", "kqps", ZEVAHV_SYS_KQPS, "VMon"},
    {"Zbk", "zbk", ZEVAHV_SYS_ZBK, "V5"},
};

class Cycles : public ::testing::TestWithParam<CycleCase> {
protected:
    void SetUp() override { zevahv::modules::set_open_pauses(false); }
    void TearDown() override { zevahv::modules::set_open_pauses(true); }
};

TEST_P(Cycles, AThousandOpensAndClosesLeaveNothingBehind) {
    const CycleCase& c = GetParam();
    auto sim = start_device(c.device, Via::Tcp);
    EventListener listener;
    // One cycle first, so that what starts once per process (a sanitizer's
    // helper thread, lazily opened files) is in the baseline.
    {
        OpenSystem warm;
        ASSERT_EQ(open_on(warm, c.type, *sim, Via::Tcp), 0);
    }
    const int fds = open_fd_count();
    const int threads = thread_count();
    constexpr int kCycles = 1000;
    int first = -1;
    const auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < kCycles; ++k) {
        int h = -1;
        std::string arg = tcp_address(*sim);
        ASSERT_EQ(ZEVAHV_InitSystem(c.type, ZEVAHV_LINK_TCPIP, arg.data(), "", "", &h), 0)
            << "cycle " << k;
        if (k == 0) first = h;
        ASSERT_EQ(h, first) << "the closed slot was not given back";
        if (k % 10 == 0) {
            char result = 9;
            ASSERT_EQ(ZEVAHV_SubscribeChannelParams(h, static_cast<short>(listener.port()), 0, 0,
                                                    c.item, 1, &result),
                      0);
            const int fd = listener.accept_one(5000);
            ASSERT_GE(fd, 0) << "cycle " << k;
            ::close(fd);
        }
        ASSERT_EQ(ZEVAHV_DeinitSystem(h), 0) << "cycle " << k;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%s: %d open/close cycles in %.1f s\n", c.name, kCycles, s);
    EXPECT_EQ(open_fd_count(), fds);
    EXPECT_EQ(thread_count(), threads);
}

INSTANTIATE_TEST_SUITE_P(Families, Cycles, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CycleCase>& i) {
                             return std::string(i.param.name);
                         });

} // namespace
