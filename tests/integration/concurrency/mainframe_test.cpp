// Mainframe sessions under many threads: requests on one session ordered by
// its connection gate, sessions side by side, the event reader against a
// description being rebuilt and items being subscribed, the legacy item list
// under the same, and a thousand open/close cycles of each generation.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "concurrency_support.h"
#include "crate.h"

namespace {

bool ok_or_changed(int r) { return r == 0 || r == ZEVAHV_ERR_SYSCONFCHANGE; }

}  // namespace

TEST(MainframeThreads, ManyThreadsOnOneSession) {
    Crate crate;
    OpenSystem s(crate);
    std::atomic<int> failures{0};
    std::vector<std::function<void()>> jobs;
    // Each writer owns a channel: what it reads back is what it wrote.
    for (int t = 0; t < 4; ++t) {
        jobs.push_back([&, t] {
            for (int k = 0; k < 150; ++k) {
                const float v = static_cast<float>(t * 500 + k);  // within the board's 2500 V
                if (set_ch_float(s.h, 4, t, "VSet", v) != 0) ++failures;
                int r = 0;
                if (ch_float(s.h, 4, t, "VSet", &r) != v || r != 0) ++failures;
            }
        });
    }
    jobs.push_back([&] {
        for (int k = 0; k < 60; ++k) {
            CrateMap map;
            if (map.read(s.h) != 0 || map.slots != 6) ++failures;
            char buf[1024];
            if (ZEVAHV_GetSysProp(s.h, "SwRelease", buf) != 0 || std::strcmp(buf, "5.20") != 0) ++failures;
            if (std::strlen(ZEVAHV_GetError(s.h)) >= 256) ++failures;
        }
    });
    run_parallel(jobs);
    EXPECT_EQ(failures.load(), 0);
}

TEST(MainframeThreads, SessionsSideBySide) {
    Crate a, b;
    std::atomic<int> failures{0};
    std::vector<std::function<void()>> jobs;
    for (int t = 0; t < 4; ++t) {
        jobs.push_back([&, t] {
            int h = -1;
            if ((t % 2 ? b : a).open(&h, "admin", "admin", ZEVAHV_SYS_KR2550) != 0) {
                ++failures;
                return;
            }
            unsigned short chs[48];
            for (int i = 0; i < 48; ++i) chs[i] = static_cast<unsigned short>(i);
            float v[48];
            for (int k = 0; k < 100; ++k)
                if (ZEVAHV_GetChParam(h, 4, "VMon", 48, chs, v) != 0) ++failures;
            if (ZEVAHV_DeinitSystem(h) != 0) ++failures;
        });
    }
    run_parallel(jobs);
    EXPECT_EQ(failures.load(), 0);
}

TEST(MainframeThreads, EventReaderAgainstDescriptionRebuild) {
    Crate crate(Crate::Current, {"--tick", "20", "--keepalive", "100"});
    OpenSystem s(crate);
    EventStream events;
    for (int ch = 0; ch < 12; ++ch)
        ASSERT_EQ(subscribe(s.h, events.port_arg(), 0, ch, "VMon:IMon:Status"), 0);
    ASSERT_TRUE(events.accept());
    std::atomic<bool> running{true};
    std::atomic<int> failures{0};
    std::atomic<long> records{0};
    auto reader = [&] {
        while (running) {
            std::vector<IDValue_t> rec;
            const int r = events.read(&rec);
            if (!ok_or_changed(r)) {
                ++failures;
                return;
            }
            records += static_cast<long>(rec.size());
        }
    };
    auto rebuilder = [&] {
        for (int k = 0; k < 80; ++k) {
            CrateMap map;
            if (map.read(s.h) != 0) ++failures;
            crate.control("event flood 2");
        }
    };
    auto subscriber = [&] {
        for (int k = 0; k < 80; ++k) {
            if (subscribe(s.h, events.port_arg(), 1, k % 24, "VMon:Pw") != 0) ++failures;
            if (subscribe(s.h, events.port_arg(), 1, k % 24, "VMon:Pw", nullptr, false) != 0) ++failures;
            if (set_ch_float(s.h, 0, k % 12, "VSet", static_cast<float>(k)) != 0) ++failures;
        }
    };
    std::thread r(reader);
    run_parallel({rebuilder, subscriber});
    running = false;
    crate.control("event keepalive");  // wakes the reader for its last frame
    r.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(records.load(), 0);
}

TEST(MainframeThreads, LegacyItemListUnderReadersAndSubscribers) {
    Crate crate(Crate::Legacy, {"--tick", "20"});
    OpenSystem s(crate);
    unsigned short udp_port = 0;
    const int fd = udp_socket(&udp_port);
    const short port = static_cast<short>(udp_port);
    ASSERT_EQ(subscribe(s.h, port, 1, 0, "VMon"), 0);

    std::atomic<bool> running{true};
    std::atomic<int> failures{0};
    std::atomic<long> records{0};
    auto reader = [&] {
        while (running) {
            char* ev = nullptr;
            int n = 0;
            const int r = ZEVAHVGetEventData(fd, &ev, &n);
            if (r == 0) records += n;
            else if (r != ZEVAHV_ERR_NODATA) ++failures;
            ZEVAHVFreeEventData(reinterpret_cast<IDValue_t**>(&ev));
        }
    };
    auto subscriber = [&](int slot) {
        return [&, slot] {
            for (int k = 0; k < 60; ++k) {
                const int ch = k % 12;
                if (subscribe(s.h, port, slot, ch, "VMon:IMon") != 0) ++failures;
                crate.control("set " + std::to_string(slot) + " " + std::to_string(ch) + " VMon 5");
                if (subscribe(s.h, port, slot, ch, "VMon:IMon", nullptr, false) != 0) ++failures;
            }
        };
    };
    std::thread r1(reader), r2(reader);
    run_parallel({subscriber(0), subscriber(3)});
    running = false;
    crate.control("set 1 0 VMon 50");  // a last message for each reader
    crate.control("set 1 0 VMon 60");
    r1.join();
    r2.join();
    close(fd);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(records.load(), 0);
}

class MainframeCycles : public ::testing::TestWithParam<Crate::Kind> {};

TEST_P(MainframeCycles, AThousandOpensAndClosesLeaveNothingBehind) {
    Crate crate(GetParam());
    int warm = -1;
    ASSERT_EQ(crate.open(&warm), 0);
    ASSERT_EQ(ZEVAHV_DeinitSystem(warm), 0);
    const int fds = open_fd_count();
    const int threads = thread_count();
    for (int k = 0; k < 1000; ++k) {
        int h = -1;
        ASSERT_EQ(crate.open(&h), 0) << "cycle " << k;
        ASSERT_EQ(ZEVAHV_DeinitSystem(h), 0) << "cycle " << k;
    }
    EXPECT_EQ(open_fd_count(), fds);
    EXPECT_EQ(thread_count(), threads);
    EXPECT_TRUE(eventually([&] { return crate.control("sessions") == "OK 0"; }));
}

INSTANTIATE_TEST_SUITE_P(Generations, MainframeCycles,
                         ::testing::Values(Crate::Current, Crate::Legacy),
                         [](const ::testing::TestParamInfo<Crate::Kind>& i) {
                             return std::string(i.param == Crate::Legacy ? "Legacy" : "Current");
                         });
