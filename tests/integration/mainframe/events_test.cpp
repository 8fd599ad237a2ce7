// Subscriptions to a current crate and the frames it streams to the
// client's event port.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "crate.h"

namespace {

const std::vector<std::string> kFast = {"--tick", "50", "--keepalive", "300"};

bool is(const IDValue_t& e, int board, int ch, const char* item) {
    return e.Type == ZEVAHV_EVENT_PARAMETER && e.BoardIndex == board && e.ChannelIndex == ch &&
           std::strcmp(e.Item, item) == 0;
}

struct Streaming {
    Crate crate{Crate::Current, kFast};
    OpenSystem sys{crate};
    EventStream events;
    int h() const { return sys.h; }
};

}  // namespace

TEST(MainframeEvents, ItemsOfEveryLevelArriveNamedAndConverted) {
    Streaming s;
    std::vector<unsigned char> res;
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 1, 2, "VSet:IMon:Nope", &res), 0);
    EXPECT_EQ(res, (std::vector<unsigned char>{0, 0, 255}));
    ASSERT_TRUE(s.events.accept());
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 4, -1, "TempMax", &res), 0);
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), -1, -1, "CPULoad:KeepAlive", &res), 0);
    EXPECT_EQ(res, (std::vector<unsigned char>{0, 0}));

    ASSERT_EQ(set_ch_float(s.h(), 1, 2, "VSet", 321.5f), 0);
    bool cpu_load = false;
    EXPECT_TRUE(s.events.until([&](const IDValue_t& e) {
        // The system item comes as text, in the same frames.
        if (e.BoardIndex == -1 && std::strcmp(e.Item, "CPULoad") == 0)
            cpu_load = std::memchr(e.Value, 0, sizeof e.Value) != nullptr;
        return is(e, 1, 2, "VSet") && record_float(e) == 321.5f && e.SystemHandle == s.h();
    }));
    const unsigned short slot = 4;
    float tmax = 41.0f;
    ASSERT_EQ(ZEVAHV_SetBdParam(s.h(), 1, &slot, "TempMax", &tmax), 0);
    EXPECT_TRUE(s.events.until([](const IDValue_t& e) { return is(e, 4, -1, "TempMax") && record_float(e) == 41.0f; }));
    EXPECT_TRUE(cpu_load);
    // The crate's keep-alive.
    EXPECT_EQ(s.crate.control("event keepalive").rfind("OK", 0), 0u);
    EXPECT_TRUE(s.events.until([](const IDValue_t& e) {
        return e.Type == ZEVAHV_EVENT_KEEPALIVE && std::strcmp(e.Item, "KeepAlive") == 0 && e.BoardIndex == -1;
    }));

    // Unsubscribed items stop: the crate is told which ones.
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 1, 2, "VSet:IMon", &res, false), 0);
    EXPECT_EQ(res, (std::vector<unsigned char>{0, 0}));
    EXPECT_TRUE(eventually([&] { return s.crate.control("subscriptions") == "OK 2"; }));
}

TEST(MainframeEvents, ARampAsItHappens) {
    Streaming s;
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 0, 0, "VMon"), 0);
    ASSERT_TRUE(s.events.accept());
    ASSERT_EQ(set_ch_float(s.h(), 0, 0, "RUp", 500.0f), 0);
    ASSERT_EQ(set_ch_float(s.h(), 0, 0, "VSet", 100.0f), 0);
    ASSERT_EQ(set_ch_uint(s.h(), 0, 0, "Pw", 1), 0);
    float last = -1;
    int rising = 0;
    EXPECT_TRUE(s.events.until([&](const IDValue_t& e) {
        if (!is(e, 0, 0, "VMon")) return false;
        if (record_float(e) > last) ++rising;
        last = record_float(e);
        return last >= 99.95f;
    }));
    EXPECT_GE(rising, 2);
}

TEST(MainframeEvents, CountMismatchesAndRefusalsSendNothing) {
    Streaming s;
    const long before = s.crate.count("NEWSUBSCRIBE");
    std::string items = "ZEVA_KR2440_HVL_" + std::string(3 - std::to_string(s.h()).size(), '0') +
                        std::to_string(s.h()) + ".Board01.CHAN000.VMon:" +
                        "ZEVA_KR2440_HVL_000.Board01.CHAN001.VMon";
    char res[3] = {9, 9, 9};
    EXPECT_EQ(ZEVAHV_Subscribe(s.h(), s.events.port_arg(), 3, items.c_str(), res), ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_EQ(ZEVAHV_Subscribe(s.h(), s.events.port_arg(), 1, items.c_str(), res), ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_EQ(ZEVAHV_UnSubscribe(s.h(), s.events.port_arg(), 3, items.c_str(), res), ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_EQ(s.crate.count("NEWSUBSCRIBE"), before);
    EXPECT_EQ(ZEVAHV_Subscribe(s.h(), s.events.port_arg(), 2, items.c_str(), res), 0);
    EXPECT_EQ(s.crate.count("NEWSUBSCRIBE"), before + 1);
    // A channel beyond the board is refused item by item.
    std::vector<unsigned char> r;
    EXPECT_EQ(subscribe(s.h(), s.events.port_arg(), 1, 30, "VMon", &r), 0);
    EXPECT_EQ(r, std::vector<unsigned char>{255});
}

TEST(MainframeEvents, EmptyUnknownAndNoticeFrames) {
    Streaming s;
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 0, 1, "VMon"), 0);
    ASSERT_TRUE(s.events.accept());
    std::vector<IDValue_t> rec;
    ASSERT_EQ(s.events.read(&rec), 0);  // the first frame: the new item's value

    // A frame of no items: no records.  Wait for it among keep-alives.
    EXPECT_EQ(s.crate.control("event empty").rfind("OK", 0), 0u);
    bool empty = false;
    for (int i = 0; i < 20 && !empty; ++i) {
        ASSERT_EQ(s.events.read(&rec), 0);
        empty = rec.empty();
    }
    EXPECT_TRUE(empty);
    // Items nobody subscribed: the frame stands as one keep-alive.
    EXPECT_EQ(s.crate.control("event unknown").rfind("OK", 0), 0u);
    EXPECT_TRUE(s.events.until([](const IDValue_t& e) { return e.Type == ZEVAHV_EVENT_KEEPALIVE; }));
    EXPECT_EQ(s.crate.control("event tr-mode 3").rfind("OK", 0), 0u);
    EXPECT_TRUE(s.events.until([](const IDValue_t& e) {
        return e.Type == ZEVAHV_EVENT_TRMODE && std::strcmp(e.Item, "Tr-Mode") == 0 && record_uint(e) == 3;
    }));
}

TEST(MainframeEvents, StatusFollowsTheCrateAndLiveInsertion) {
    Streaming s;
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 0, 0, "Status"), 0);
    ASSERT_TRUE(s.events.accept());
    ZEVAHV_SYSTEMSTATUS_t st{};
    std::vector<IDValue_t> rec;
    ASSERT_EQ(s.events.read(&rec, &st), 0);
    EXPECT_EQ(st.Board[0], 0);  // state 1: ok
    EXPECT_EQ(st.Board[2], 3);  // state 0: an empty slot
    EXPECT_EQ(s.crate.control("trip 0 0").rfind("OK", 0), 0u);
    bool tripped = false;
    for (int i = 0; i < 40 && !tripped; ++i) {
        ASSERT_EQ(s.events.read(&rec, &st), 0);
        tripped = st.Board[0] == 2;  // state 11
    }
    EXPECT_TRUE(tripped);

    EXPECT_EQ(s.crate.control("pull 3").rfind("OK", 0), 0u);
    EXPECT_TRUE(s.events.until([](const IDValue_t& e) {
        return e.Type == ZEVAHV_EVENT_LIVEINSERTION && std::strcmp(e.Item, "LiveInsertion") == 0;
    }));
}

TEST(MainframeEvents, ABoardMovedAfterSubscriptionAnswers20) {
    Streaming s;
    ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 1, 0, "VMon"), 0);
    ASSERT_TRUE(s.events.accept());
    ASSERT_EQ(s.crate.control("move 1 2").rfind("OK", 0), 0u);
    CrateMap map;
    ASSERT_EQ(map.read(s.h()), 0);  // the library now has the board at slot 2
    // The crate keeps sending under the old slot's identifiers.
    ASSERT_EQ(s.crate.control("set 2 0 VMon 12").rfind("OK", 0), 0u);
    int code = 0;
    EXPECT_FALSE(s.events.until([](const IDValue_t&) { return false; }, 5000, &code));
    EXPECT_EQ(code, ZEVAHV_ERR_SYSCONFCHANGE);
}

TEST(MainframeEvents, BrokenFramesGiveTheirCodes) {
    struct Case {
        const char* mode;
        int code;
    };
    for (const Case& c : {Case{"bad-magic", ZEVAHV_ERR_COMMUNICATIONERROR},
                          Case{"short-total", ZEVAHV_ERR_COMMUNICATIONERROR},
                          Case{"overcount 3", ZEVAHV_ERR_COMMUNICATIONERROR},
                          Case{"cut", ZEVAHV_ERR_SOCKETERROR}}) {
        SCOPED_TRACE(c.mode);
        Streaming s;
        ASSERT_EQ(subscribe(s.h(), s.events.port_arg(), 0, 1, "VMon"), 0);
        ASSERT_TRUE(s.events.accept());
        std::vector<IDValue_t> rec;
        ASSERT_EQ(s.events.read(&rec), 0);
        EXPECT_EQ(s.crate.control(std::string("event ") + c.mode).rfind("OK", 0), 0u);
        int code = 0;
        EXPECT_FALSE(s.events.until([](const IDValue_t&) { return false; }, 5000, &code));
        EXPECT_EQ(code, c.code);
        // The requests go on.
        int r = 0;
        ch_float(s.h(), 0, 1, "VMon", &r);
        EXPECT_EQ(r, 0);
    }
}

// A reader waiting on a quiet stream must not hold the system: a close on
// another thread returns at once instead of after the reader's wait.
TEST(MainframeEvents, ACloseIsNotHeldUpByAReaderWaitingOnAQuietStream) {
    Crate crate{Crate::Current, {"--tick", "50", "--keepalive", "60000"}};
    int h = -1;
    ASSERT_EQ(crate.open(&h), 0);
    EventStream events;
    ASSERT_EQ(subscribe(h, events.port_arg(), 1, 2, "VSet"), 0);
    ASSERT_TRUE(events.accept());
    std::atomic<int> last{-1};
    std::thread reader([&] {
        std::vector<IDValue_t> records;
        int r;
        while ((r = events.read(&records)) == ZEVAHV_OK) {
        }
        last = r;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the reader is waiting
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    ::shutdown(events.fd(), SHUT_RDWR);  // ends the reader's wait
    reader.join();
    EXPECT_NE(last.load(), ZEVAHV_OK);
}
