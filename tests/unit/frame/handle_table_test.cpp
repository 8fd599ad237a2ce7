// Opening and closing systems: the 100 slots, duplicate detection, routing
// by family and link, open failures, and opens/closes from many threads.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ZEVAHVLink.h"
#include "fake_family.h"

namespace {

int open_system(int type, int link, const std::string &addr, int *handle = nullptr) {
    int h = -7;
    int r = ZEVAHV_InitSystem(type, link, const_cast<char *>(addr.c_str()), "admin", "pw", &h);
    if (handle) *handle = h;
    return r;
}

OpenRecord last_open() {
    std::lock_guard<std::mutex> lk(fake().m);
    return fake().opens.back();
}

}  // namespace

TEST(HandleTable, HundredSlotsThenFullAndLowestFreeSlotIsReusedWithItsName) {
    FakeFamilies fam({6}, &kBareOps);
    for (int i = 0; i < 100; ++i) {
        int h = -1;
        ASSERT_EQ(open_system(6, 0, "10.0.0." + std::to_string(i), &h), 0);
        EXPECT_EQ(h, i);
    }
    EXPECT_EQ(last_open().lock_name, "ZEVA_Q3815_HVL_099");
    int h = 0;
    EXPECT_EQ(open_system(6, 0, "10.0.1.1", &h), ZEVAHV_ERR_TOOMANYDEVICEOPEN);
    EXPECT_EQ(h, -1);

    ASSERT_EQ(ZEVAHV_DeinitSystem(5), 0);
    ASSERT_EQ(ZEVAHV_DeinitSystem(7), 0);
    ASSERT_EQ(open_system(6, 0, "10.0.1.2", &h), 0);
    EXPECT_EQ(h, 5);
    EXPECT_EQ(last_open().lock_name, "ZEVA_Q3815_HVL_005");
    EXPECT_EQ(last_open().handle, 5);
    ASSERT_EQ(open_system(6, 0, "10.0.1.3", &h), 0);
    EXPECT_EQ(h, 7);
}

TEST(HandleTable, CloseChecksItsHandleAndCallsTheBackendOnce) {
    FakeFamilies fam({6, 2}, &kBareOps);
    EXPECT_EQ(ZEVAHV_DeinitSystem(100), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_DeinitSystem(-1), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_DeinitSystem(3), ZEVAHV_ERR_NOTCONNECTED);

    fake().next_conn = 17;
    int h = -1;
    ASSERT_EQ(open_system(6, 0, "10.0.0.1", &h), 0);
    fake().close_result = 5;  // a module's close result is not the caller's
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), ZEVAHV_ERR_NOTCONNECTED);
    {
        std::lock_guard<std::mutex> lk(fake().m);
        EXPECT_EQ(fake().closed_conns, std::vector<int>{17});
    }
    // A mainframe's close is its logout, whose result is returned.
    ASSERT_EQ(open_system(2, 0, "10.0.0.2", &h), 0);
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 5);
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "V0Set", 0, nullptr, nullptr), ZEVAHV_ERR_NOTCONNECTED);
}

TEST(HandleTable, DuplicatesAreFoundByTypeLinkAndAddress) {
    FakeFamilies fam({2, 6}, &kBareOps);
    EXPECT_EQ(open_system(2, 0, "192.168.0.10"), 0);
    EXPECT_EQ(open_system(2, 0, "192.168.0.10"), ZEVAHV_ERR_DEVALREADYOPEN);
    EXPECT_EQ(open_system(2, 0, "192.168.0.11"), 0);
    // Type 3 is stored as family 2, so the check (type against stored family)
    // does not see the earlier KR2550.
    EXPECT_EQ(open_system(3, 0, "192.168.0.20"), 0);
    EXPECT_EQ(open_system(3, 0, "192.168.0.20"), 0);
    EXPECT_EQ(open_system(6, 0, "192.168.0.10"), 0);
    EXPECT_EQ(open_system(6, 5, "192.168.0.10"), 0) << "another link is another system";

    // Only 80 characters of an address are kept: two that differ later are
    // the same system.
    const std::string long_a = std::string(80, 'a') + "-first";
    const std::string long_b = std::string(80, 'a') + "-second";
    EXPECT_EQ(open_system(6, 5, long_a), 0);
    EXPECT_EQ(open_system(6, 5, long_b), ZEVAHV_ERR_DEVALREADYOPEN);
    // The backend still gets the whole address.
    EXPECT_EQ(last_open().arg, long_a);
}

TEST(HandleTable, SystemTypesFoldAndPickLockNamesAndArguments) {
    FakeFamilies fam({0, 2, 5, 6, 9, 14}, &kBareOps);
    ASSERT_EQ(open_system(3, 0, "10.1.1.1"), 0);
    OpenRecord r = last_open();
    EXPECT_EQ(r.family, 2);
    EXPECT_EQ(r.system_type, 3);
    EXPECT_EQ(r.lock_name, "ZEVA_KR2440_HVL_000");
    EXPECT_EQ(r.arg, "KR2440:10.1.1.1");
    EXPECT_EQ(r.transport, "TCP/IP");

    ASSERT_EQ(open_system(1, 0, "10.1.1.2"), 0);
    EXPECT_EQ(last_open().family, 0);
    EXPECT_EQ(last_open().lock_name, "ZEVA_KR2210_HVL_001");
    EXPECT_EQ(last_open().arg, "10.1.1.2");

    // A legacy mainframe whose address carries a port suffix still reaches
    // the legacy family, unchanged.
    ASSERT_EQ(open_system(0, 0, "127.0.0.1:40001"), 0);
    EXPECT_EQ(last_open().family, 0);
    EXPECT_EQ(last_open().arg, "127.0.0.1:40001");

    ASSERT_EQ(open_system(14, 5, "ttyUSB0_9600"), 0);
    EXPECT_EQ(last_open().transport, "USBVCP");
    EXPECT_EQ(last_open().lock_name, "ZEVA_KQPS_HVL_003");
    ASSERT_EQ(open_system(9, 3, "0"), 0);
    EXPECT_EQ(last_open().transport, "USB");
    ASSERT_EQ(open_system(5, 7, "1"), 0);
    EXPECT_EQ(last_open().transport, "B7301");
    ASSERT_EQ(open_system(5, 0, "10.1.1.9"), 0);
    EXPECT_EQ(last_open().transport, "TCP/IP");

    // A code that no family claims opens a self-describing (LUMENHV) module,
    // which keeps the code it was opened with.
    fam.add(ZEVAHV_SYS_LUMENHV, &kBareOps);
    ASSERT_EQ(open_system(20, 5, "ttyUSB1_9600_8_0_0_2"), 0);
    EXPECT_EQ(last_open().family, ZEVAHV_SYS_LUMENHV);
    EXPECT_EQ(last_open().system_type, 20);
    EXPECT_EQ(last_open().lock_name, "ZEVA_LUMENHV_HVL_007");
}

TEST(HandleTable, RefusedOpensLeaveNothingBehind) {
    FakeFamilies fam({0, 2, 6, 9}, &kBareOps);
    fam.add(11, nullptr);  // a family without a backend
    fam.add(ZEVAHV_SYS_LUMENHV, nullptr);  // where codes that no family claims go
    int h = 0;
    for (int type : {4, 16, 99, -1}) {
        EXPECT_EQ(open_system(type, 0, "10.0.0.1", &h), ZEVAHV_ERR_OPENFAILED) << type;
        EXPECT_EQ(h, -1);
    }
    for (int link : {1, 2, 8, -3})
        EXPECT_EQ(open_system(6, link, "10.0.0.1"), ZEVAHV_ERR_INVALIDLINK) << link;
    EXPECT_EQ(open_system(2, 5, "10.0.0.1"), ZEVAHV_ERR_INVALIDPARAMETER) << "mainframe over USBVCP";
    EXPECT_EQ(open_system(6, 3, "10.0.0.1"), ZEVAHV_ERR_INVALIDPARAMETER) << "module over USB";
    EXPECT_EQ(open_system(9, 0, "10.0.0.1"), ZEVAHV_ERR_INVALIDPARAMETER) << "RD40XX over TCP";
    EXPECT_EQ(open_system(11, 0, "10.0.0.1"), ZEVAHV_ERR_OPENFAILED);

    fake().open_result = -1;
    EXPECT_EQ(open_system(6, 0, "10.0.0.1", &h), ZEVAHV_ERR_OPENFAILED);
    EXPECT_EQ(h, -1);
    fake().open_result = -2;
    EXPECT_EQ(open_system(2, 0, "10.0.0.1"), ZEVAHV_ERR_LOGINFAILED);
    fake().open_result = -9;
    EXPECT_EQ(open_system(6, 0, "10.0.0.1"), -9);

    EXPECT_EQ(ZEVAHV_InitSystem(6, 0, const_cast<char *>("10.0.0.1"), nullptr, nullptr, nullptr),
              ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_InitSystem(6, 0, nullptr, nullptr, nullptr, &h), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(h, -1);

    // None of the failures kept a slot or a duplicate entry.
    fake().open_result = 0;
    ASSERT_EQ(open_system(6, 0, "10.0.0.1", &h), 0);
    EXPECT_EQ(h, 0);
}

TEST(HandleTable, ManyThreadsOpenAndCloseWithoutLosingSlots) {
    FakeFamilies fam({6, 2}, &kBareOps);
    constexpr int kThreads = 8, kRounds = 60;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const std::string addr = "10." + std::to_string(t) + ".0." + std::to_string(i);
                int h = -1;
                const int type = (i % 3 == 0) ? 2 : 6;
                if (open_system(type, 0, addr, &h) != 0 || h < 0 || h > 99) {
                    failures++;
                    continue;
                }
                float v;
                unsigned short ch = 0;
                // Calls on the handle race with opens and closes elsewhere.
                int r = ZEVAHV_GetChParam(h, 0, "VMon", 1, &ch, &v);
                if (r != ZEVAHV_ERR_NOTPRES) failures++;
                if (ZEVAHV_DeinitSystem(h) != 0) failures++;
            }
        });
    }
    for (auto &t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    // Every slot came back.
    for (int i = 0; i < 100; ++i) ASSERT_EQ(open_system(6, 0, "172.16.0." + std::to_string(i)), 0);
}
