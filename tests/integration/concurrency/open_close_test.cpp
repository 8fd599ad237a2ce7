// Opens and closes racing with calls and with each other, and a thousand
// open/close cycles: handles come back, nothing of a closed system stays
// behind (descriptors, polling threads), and a call on a handle that is
// being closed or opened gets a clean answer, never a crash.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "concurrency_support.h"

namespace {

bool ok_or_closed(int r) { return r == 0 || r == ZEVAHV_ERR_NOTCONNECTED; }

TEST(OpenClose, CallsRacingOpensAndClosesGetCleanAnswers) {
    auto sim = SimProcess::start("q2906");
    constexpr int kCycles = 300;
    std::atomic<bool> cycling{true};
    std::atomic<long> calls{0};

    auto caller = [&] {
        while (cycling) {
            for (int h = 0; h < 3; ++h) {
                const unsigned short ch = 3;
                float thr = 0;
                int r = ZEVAHV_GetChParam(h, 0, "Threshold", 1, &ch, &thr);
                EXPECT_TRUE(ok_or_closed(r)) << r;
                unsigned short slots = 0, *nch = nullptr, *ser = nullptr;
                char *model = nullptr, *desc = nullptr;
                unsigned char *lo = nullptr, *hi = nullptr;
                r = ZEVAHV_GetCrateMap(h, &slots, &nch, &model, &desc, &ser, &lo, &hi);
                EXPECT_TRUE(ok_or_closed(r)) << r;
                if (r == 0) {
                    EXPECT_STREQ(model, "Q2906");
                    ZEVAHV_Free(nch), ZEVAHV_Free(model), ZEVAHV_Free(desc);
                    ZEVAHV_Free(ser), ZEVAHV_Free(lo), ZEVAHV_Free(hi);
                }
                char* names = nullptr;
                int n = 0;
                r = ZEVAHV_GetChParamInfo(h, 0, 0, &names, &n);
                EXPECT_TRUE(ok_or_closed(r)) << r;
                if (r == 0) ZEVAHV_Free(names);
                calls += 3;
            }
        }
    };
    auto cycler = [&] {
        for (int k = 0; k < kCycles; ++k) {
            int h = -1;
            ASSERT_EQ(open_system(ZEVAHV_SYS_Q2906, false, sim->tcp_arg(), &h), 0) << k;
            ASSERT_EQ(ZEVAHV_DeinitSystem(h), 0) << k;
        }
        cycling = false;
    };
    run_parallel({cycler, caller, caller, caller});
    EXPECT_GT(calls.load(), 0);
}

TEST(OpenClose, TwoClosesOfOneHandleCloseItOnce) {
    auto sim = SimProcess::start("q2906");
    for (int k = 0; k < 10; ++k) {
        int h = -1;
        ASSERT_EQ(open_system(ZEVAHV_SYS_Q2906, false, sim->tcp_arg(), &h), 0);
        std::atomic<int> closed{0}, refused{0};
        auto closer = [&] {
            const int r = ZEVAHV_DeinitSystem(h);
            if (r == 0) ++closed;
            else if (r == ZEVAHV_ERR_NOTCONNECTED) ++refused;
        };
        run_parallel({closer, closer});
        EXPECT_EQ(closed.load(), 1);
        EXPECT_EQ(refused.load(), 1);
    }
}

TEST(OpenClose, ParallelOpensOfDifferentAndOfTheSameModule) {
    constexpr int kSims = 4;
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < kSims; ++i) sims.push_back(SimProcess::start("q2906"));

    // Different modules at once: every open succeeds with a handle of its own.
    int handle[kSims];
    int result[kSims];
    std::vector<std::function<void()>> opens;
    for (int i = 0; i < kSims; ++i)
        opens.push_back([&, i] { result[i] = open_system(ZEVAHV_SYS_Q2906, false, sims[i]->tcp_arg(), &handle[i]); });
    run_parallel(opens);
    std::set<int> distinct;
    for (int i = 0; i < kSims; ++i) {
        EXPECT_EQ(result[i], 0) << i;
        distinct.insert(handle[i]);
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kSims));
    std::vector<std::function<void()>> closes;
    for (int i = 0; i < kSims; ++i)
        closes.push_back([&, i] { EXPECT_EQ(ZEVAHV_DeinitSystem(handle[i]), 0); });
    run_parallel(closes);

    // The same module twice at once: one open, one "already open".
    int h2[2] = {-1, -1}, r2[2] = {-1, -1};
    run_parallel({[&] { r2[0] = open_system(ZEVAHV_SYS_Q2906, false, sims[0]->tcp_arg(), &h2[0]); },
                  [&] { r2[1] = open_system(ZEVAHV_SYS_Q2906, false, sims[0]->tcp_arg(), &h2[1]); }});
    EXPECT_EQ(std::min(r2[0], r2[1]), 0);
    EXPECT_EQ(std::max(r2[0], r2[1]), ZEVAHV_ERR_DEVALREADYOPEN);
    for (int i = 0; i < 2; ++i) {
        if (r2[i] == 0) {
            EXPECT_EQ(ZEVAHV_DeinitSystem(h2[i]), 0);
        }
    }
}

// Leak checks (descriptors and threads here; memory under the sanitizer
// build) over many cycles of a system that also subscribed nothing and
// one that did.
class Cycles : public ::testing::TestWithParam<bool> {};

TEST_P(Cycles, AThousandOpensAndClosesLeaveNothingBehind) {
    const bool serial = GetParam();
    auto sim = SimProcess::start("q2906", serial ? std::vector<std::string>{"--pty"}
                                                 : std::vector<std::string>{});
    const std::string arg = serial ? sim->serial_arg() : sim->tcp_arg();
    // One cycle first, so that what starts once per process (a sanitizer's
    // helper thread, lazily opened files) is in the baseline.
    int warm = -1;
    ASSERT_EQ(open_system(ZEVAHV_SYS_Q2906, serial, arg, &warm), 0);
    ASSERT_EQ(ZEVAHV_DeinitSystem(warm), 0);
    const int fds = open_fd_count();
    const int threads = thread_count();
    const int cycles = 1000;
    int first = -1;
    const auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < cycles; ++k) {
        int h = -1;
        ASSERT_EQ(open_system(ZEVAHV_SYS_Q2906, serial, arg, &h), 0) << "cycle " << k;
        if (k == 0) first = h;
        ASSERT_EQ(h, first) << "the closed slot was not given back";
        ASSERT_EQ(ZEVAHV_DeinitSystem(h), 0) << "cycle " << k;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%d open/close cycles over %s in %.1f s\n", cycles, serial ? "a serial line" : "TCP", s);
    EXPECT_EQ(open_fd_count(), fds);
    EXPECT_EQ(thread_count(), threads);
}

INSTANTIATE_TEST_SUITE_P(Links, Cycles, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                             return std::string(i.param ? "Serial" : "Tcp");
                         });

}  // namespace
