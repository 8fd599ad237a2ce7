// Many threads on one system handle, while its polling thread reads the
// same module for a subscriber: every reply must reach the thread that
// asked for it (each thread owns a channel and a set of values, so an answer
// meant for another thread shows), and every call succeeds.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "concurrency_support.h"
#include "event_listener.h"

namespace {

constexpr int kChannels = 8;
constexpr int kRounds = 40;

// The values channel c's thread writes: 10c + 1 ... 10c + 5.
float value_for(int ch, int round) { return static_cast<float>(10 * ch + 1 + round % 5); }
bool owned_by(int ch, float v) { return v >= 10 * ch + 1 && v <= 10 * ch + 5; }

class OneHandle : public ::testing::TestWithParam<bool> {};

TEST_P(OneHandle, ThreadsAndThePollingThreadEachGetTheirOwnAnswers) {
    const bool serial = GetParam();
    std::vector<std::string> args = {"--channels", std::to_string(kChannels)};
    if (serial) args.insert(args.begin(), "--pty");
    auto sim = SimProcess::start("q3815", args);
    for (int ch = 0; ch < kChannels; ++ch)
        expect_ok(*sim, "set 0 VSET " + std::to_string(ch) + " " + std::to_string(10 * ch + 1));
    int h = -1;
    ASSERT_EQ(open_system(ZEVAHV_SYS_Q3815, serial, serial ? sim->serial_arg() : sim->tcp_arg(), &h), 0);

    EventListener listener;
    const std::string items = channel_items("ZEVA_Q3815_HVL_", h, "VSet", kChannels) + ":" +
                              channel_items("ZEVA_Q3815_HVL_", h, "VMon", kChannels);
    std::vector<char> results(2 * kChannels, 0x55);
    ASSERT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()), 2 * kChannels, items.c_str(),
                               results.data()),
              0);
    const int fd = listener.accept_one(10000);
    ASSERT_GE(fd, 0);
    EventListener::read_ident(fd, 5000);

    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    std::vector<std::function<void()>> jobs;
    for (int ch = 0; ch < kChannels; ++ch) {
        jobs.push_back([&, ch] {
            const unsigned short c = static_cast<unsigned short>(ch);
            for (int k = 0; k < kRounds; ++k) {
                float w = value_for(ch, k);
                float r = -1;
                if (ZEVAHV_SetChParam(h, 0, "VSet", 1, &c, &w) != 0 ||
                    ZEVAHV_GetChParam(h, 0, "VSet", 1, &c, &r) != 0 || r != w) {
                    ADD_FAILURE() << "channel " << ch << " round " << k << " read " << r;
                    ++failures;
                    return;
                }
            }
        });
    }
    // Calls that only read what the library holds, and board reads, beside.
    jobs.push_back([&] {
        for (int k = 0; k < kRounds; ++k) {
            unsigned short slots = 0, *nch = nullptr, *ser = nullptr;
            char *model = nullptr, *desc = nullptr, *names = nullptr;
            unsigned char *lo = nullptr, *hi = nullptr;
            EXPECT_EQ(ZEVAHV_GetCrateMap(h, &slots, &nch, &model, &desc, &ser, &lo, &hi), 0);
            ZEVAHV_Free(nch), ZEVAHV_Free(model), ZEVAHV_Free(desc);
            ZEVAHV_Free(ser), ZEVAHV_Free(lo), ZEVAHV_Free(hi);
            int n = 0;
            EXPECT_EQ(ZEVAHV_GetChParamInfo(h, 0, 0, &names, &n), 0);
            ZEVAHV_Free(names);
            unsigned alarm = 99;
            unsigned short slot = 0;
            EXPECT_EQ(ZEVAHV_GetBdParam(h, 1, &slot, "Alarm", &alarm), 0);
        }
    });
    // The subscriber: every VSet it is sent belongs to its channel's thread.
    jobs.push_back([&] {
        int frames = 0;
        while (!done || frames < 2) {
            std::vector<IDValue_t> rec;
            if (read_frame(fd, &rec) != 0) {
                ADD_FAILURE() << "event frame lost";
                return;
            }
            ++frames;
            for (const IDValue_t& e : rec) {
                if (std::string(e.Item) == "VSet") {
                    EXPECT_TRUE(owned_by(e.ChannelIndex, record_float(e)))
                        << "channel " << e.ChannelIndex << " reported " << record_float(e);
                }
            }
        }
    });
    std::vector<std::function<void()>> callers(jobs.begin(), jobs.end() - 1);
    std::thread subscriber(jobs.back());
    run_parallel(callers);
    done = true;
    subscriber.join();
    EXPECT_EQ(failures.load(), 0);

    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(Links, OneHandle, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                             return std::string(i.param ? "Serial" : "Tcp");
                         });

}  // namespace
