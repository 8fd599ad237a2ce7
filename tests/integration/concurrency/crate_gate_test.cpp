// The W7300 crate power supply orders its crate reads on its connection
// gate, first come first served, while its other calls (channel values,
// limits read from the crate at call time, commands) and its polling
// thread go straight to the line.  Many threads on one crate: every call
// succeeds and every answer is the one its caller asked for.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "concurrency_support.h"
#include "event_listener.h"

namespace {

constexpr int kRounds = 40;

// The set points channel 3 (a 12 V output) is given: 10.0 ... 10.4 V.
float set_point(int round) { return 10.0f + 0.1f * static_cast<float>(round % 5); }
bool one_of_the_set_points(float v) {
    for (int r = 0; r < 5; ++r)
        if (v == set_point(r)) return true;
    return false;
}

TEST(CrateGate, CrateReadsChannelCallsAndPollingEachGetTheirOwnAnswers) {
    auto sim = SimProcess::start("w7300");
    expect_ok(*sim, "set 0 FANSP -1 42");
    expect_ok(*sim, "set 0 VSET 3 10");
    int h = -1;
    ASSERT_EQ(open_system(ZEVAHV_SYS_W7300, false, sim->tcp_arg(), &h), 0);

    EventListener listener;
    const std::string items = channel_items("ZEVA_W7300_HVL_", h, "VMon", 8);
    std::vector<char> results(8, 0x55);
    ASSERT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()), 8, items.c_str(),
                               results.data()),
              0);
    const int fd = listener.accept_one(10000);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(EventListener::read_ident(fd, 5000), sim->tcp_arg().substr(0, sim->tcp_arg().find('_')));

    const unsigned short slot = 0;
    auto crate_reader = [&] {
        for (int r = 0; r < kRounds; ++r) {
            float fan = 0;
            EXPECT_EQ(ZEVAHV_GetBdParam(h, 1, &slot, "FanSpeed", &fan), 0);
            EXPECT_FLOAT_EQ(fan, 42.0f);
            char ip[64] = {};
            EXPECT_EQ(ZEVAHV_GetBdParam(h, 1, &slot, "IPAddr", ip), 0);
            EXPECT_STREQ(ip, "127.0.0.1");
            float serial = 0;
            EXPECT_EQ(ZEVAHV_GetBdParam(h, 1, &slot, "FUSerNum", &serial), 0);
            EXPECT_FLOAT_EQ(serial, 2001.0f);
        }
    };
    auto channel_writer = [&] {
        const unsigned short ch = 3;
        for (int r = 0; r < kRounds; ++r) {
            float v = set_point(r);
            EXPECT_EQ(ZEVAHV_SetChParam(h, 0, "VSet", 1, &ch, &v), 0);
            float back = 0;
            EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VSet", 1, &ch, &back), 0);
            EXPECT_TRUE(one_of_the_set_points(back)) << back;
        }
    };
    auto limit_reader = [&] {
        for (int r = 0; r < kRounds; ++r) {
            float max = 0;
            EXPECT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "ISet", "Maxval", &max), 0);
            EXPECT_FLOAT_EQ(max, 100.0f);  // output 0: 100 A
            unsigned short resol = 0;
            EXPECT_EQ(ZEVAHV_GetChParamProp(h, 0, 7, "VSet", "Resol", &resol), 0);
            EXPECT_EQ(resol, 2);
        }
    };
    auto event_reader = [&] {
        for (int i = 0; i < 4; ++i) {
            std::vector<IDValue_t> records;
            EXPECT_EQ(read_frame(fd, &records), 0);
            EXPECT_EQ(records.size(), 8u);
        }
    };
    run_parallel({crate_reader, crate_reader, crate_reader, channel_writer, limit_reader,
                  limit_reader, event_reader});
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    ::close(fd);
}

// Closes racing crate reads: a read either finishes or finds the handle
// closed, and the close does not wait for more than the reads in its way.
TEST(CrateGate, ACloseAmongQueuedCrateReads) {
    auto sim = SimProcess::start("w7300");
    for (int k = 0; k < 10; ++k) {
        int h = -1;
        ASSERT_EQ(open_system(ZEVAHV_SYS_W7300, false, sim->tcp_arg(), &h), 0);
        auto reader = [&] {
            const unsigned short slot = 0;
            for (int r = 0; r < 20; ++r) {
                float t = 0;
                const int rc = ZEVAHV_GetBdParam(h, 1, &slot, "Temp", &t);
                EXPECT_TRUE(rc == 0 || rc == ZEVAHV_ERR_NOTCONNECTED) << rc;
                if (rc != 0) break;
            }
        };
        auto closer = [&] { EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0); };
        run_parallel({reader, reader, reader, closer});
    }
}

}  // namespace
