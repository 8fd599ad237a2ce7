// Events of register-access devices: one multi-read per polling cycle, the
// records it makes, and what a failing or short multi-read sends.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

#include "event_listener.h"
#include "event_record.h"
#include "regaccess_support.h"

namespace {

struct Frame {
    int result = -1;
    std::vector<IDValue_t> records;
};

// Waits for data on the event socket at most ms.
bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
}

Frame next_frame(int fd) {
    Frame f;
    if (!readable(fd, 5000)) return f;
    ZEVAHV_SYSTEMSTATUS_t status;
    IDValue_t* events = nullptr;
    unsigned count = 0;
    f.result = ZEVAHV_GetEventData(fd, &status, &events, &count);
    if (f.result == 0) f.records.assign(events, events + count);
    ZEVAHV_FreeEventData(&events);
    return f;
}

// "ZEVA_W40XX_HVL_nnn.Board00.CHANccc.name" items joined by ':'.
std::string items(const char* family, int h, const std::vector<std::pair<int, std::string>>& list) {
    std::string out;
    char buf[96];
    for (const auto& [ch, name] : list) {
        if (ch < 0) std::snprintf(buf, sizeof buf, "ZEVA_%s_HVL_%03d.Board00.%s", family, h, name.c_str());
        else std::snprintf(buf, sizeof buf, "ZEVA_%s_HVL_%03d.Board00.CHAN%03d.%s", family, h, ch,
                           name.c_str());
        if (!out.empty()) out += ':';
        out += buf;
    }
    return out;
}

class Polling : public ::testing::Test {
protected:
    void TearDown() override {
        stand_in.use_model("");
        stand_in.set_faults("");
        if (fd_ >= 0) ::close(fd_);
    }
    // Subscribes and accepts the event connection; returns its socket.
    int subscribe(int h, const std::string& list, int count, std::vector<char>* results = nullptr) {
        std::vector<char> r(static_cast<std::size_t>(count), 9);
        EXPECT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener_.port()),
                                   static_cast<unsigned short>(count), list.c_str(), r.data()),
                  0);
        if (results) *results = r;
        if (fd_ < 0) {
            fd_ = listener_.accept_one(5000);
            ident_ = EventListener::read_ident(fd_, 5000);
        }
        return fd_;
    }
    CommStandIn& stand_in = CommStandIn::get();
    EventListener listener_;
    int fd_ = -1;
    std::string ident_;
};

TEST_F(Polling, OneMultiReadPerCycleCarriesEverySubscribedItem) {
    stand_in.use_model("w40xx");
    System s(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, "3_1_32100000");
    ASSERT_EQ(s.result(), 0);
    const int h = s.handle();
    ASSERT_EQ(set_float(h, "VSet", 3, 123.4f), 0);

    std::vector<char> results;
    const int fd = subscribe(h,
                             items("W40XX", h, {{0, "VSet"}, {3, "VSet"}, {0, "IMon"}, {1, "Status"},
                                                {-1, "Temp"}, {2, "Kill"}, {12, "VSet"}, {0, "Nope"}}),
                             8, &results);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ident_, "3_1_32100000");
    EXPECT_EQ(results, (std::vector<char>{0, 0, 0, 0, 0, -1, -1, -1}))
        << "a command, a channel beyond the board and an unknown name are refused";

    Frame f = next_frame(fd);
    ASSERT_EQ(f.result, 0);
    const auto mark = stand_in.log_mark();
    for (int k = 0; k < 3; ++k) {
        f = next_frame(fd);
        ASSERT_EQ(f.result, 0);
    }
    ASSERT_TRUE(wait_until([&] { return stand_in.count_since(mark, "multiread") >= 3; }));
    EXPECT_LE(stand_in.count_since(mark, "multiread"), 4) << "one multi-read per frame";
    EXPECT_EQ(stand_in.count_since(mark, "read16"), 0);

    ASSERT_EQ(f.records.size(), 5u);
    std::map<std::string, IDValue_t> by_item;
    for (const auto& e : f.records) {
        EXPECT_EQ(e.Type, 0) << "the reader makes every record a value event";
        EXPECT_EQ(e.BoardIndex, 0);
        by_item[std::string(e.Item) + "/" + std::to_string(e.ChannelIndex)] = e;
    }
    // System carries the parameter identifier: channel x 256 + row, or
    // 0xFFFF00 + row for the board (rows in descriptor order: the board's
    // three, two commands, then VSet is row 5).
    EXPECT_EQ(by_item["VSet/3"].SystemHandle, 3 * 256 + 5);
    EXPECT_FLOAT_EQ(record_float(by_item["VSet/3"]), 123.4f);
    EXPECT_FLOAT_EQ(record_float(by_item["VSet/0"]), 0.0f);
    EXPECT_EQ(by_item["IMon/0"].SystemHandle, 8);
    EXPECT_EQ(by_item["Status/1"].SystemHandle, 256 + 17);
    EXPECT_EQ(record_uint(by_item["Status/1"]), 0u);
    EXPECT_EQ(by_item["Temp/-1"].SystemHandle, 0xFFFF00 + 2);
    EXPECT_FLOAT_EQ(record_float(by_item["Temp/-1"]), 31.5f);
}

TEST_F(Polling, ATwoRegisterValueIsPolledWhole) {
    stand_in.use_model_text(w40xx_model(
        1, "param name=Count type=numeric access=rw offset=0 wide=1 signed=1 scale=10 on=channels\n"));
    System s(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, w40xx_arg());
    ASSERT_EQ(s.result(), 0);
    ASSERT_EQ(set_float(s.handle(), "Count", 0, -100000.5f), 0);
    const int fd = subscribe(s.handle(), items("W40XX", s.handle(), {{0, "Count"}}), 1);
    const Frame f = next_frame(fd);
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_FLOAT_EQ(record_float(f.records[0]), get_float(s.handle(), "Count", 0));
    EXPECT_FLOAT_EQ(record_float(f.records[0]), -100000.5f);
}

TEST_F(Polling, AFailedMultiReadSendsNothingThatCycle) {
    stand_in.use_model("w40xx");
    System s(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, w40xx_arg());
    ASSERT_EQ(s.result(), 0);
    const int h = s.handle();
    const int fd = subscribe(h, items("W40XX", h, {{0, "VSet"}, {0, "VMon"}, {1, "VSet"}}), 3);
    ASSERT_EQ(next_frame(fd).records.size(), 3u);

    stand_in.set_faults("multiread\n");
    // The second multi-read after the rules changed fails for sure; the
    // frame of the cycle before it (if that one still read) is sent by then.
    const auto mark = stand_in.log_mark();
    ASSERT_TRUE(wait_until([&] { return stand_in.count_since(mark, "multiread") >= 2; }));
    while (readable(fd, 0)) next_frame(fd);
    const auto failing = stand_in.log_mark();
    ASSERT_TRUE(wait_until([&] { return stand_in.count_since(failing, "multiread") >= 2; }));
    EXPECT_FALSE(readable(fd, 100)) << "failed cycles send no frame";

    // Short answers and flagged addresses leave those items out; VSet of
    // channel 0 is at 0x80, VMon at 0x84, channel 1's VSet at 0x100.
    stand_in.set_faults("multiread short=1\n");
    Frame f;
    ASSERT_TRUE(wait_until([&] { f = next_frame(fd); return f.result == 0; }));
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_STREQ(f.records[0].Item, "VSet");
    EXPECT_EQ(f.records[0].ChannelIndex, 0);
    stand_in.set_faults("multiread flag=0x84\n");
    while (readable(fd, 0)) next_frame(fd);
    f = next_frame(fd);
    ASSERT_EQ(f.result, 0);
    if (f.records.size() == 1) f = next_frame(fd);  // the cycle of the short rule
    ASSERT_EQ(f.records.size(), 2u);
    for (const auto& e : f.records) EXPECT_STRNE(e.Item, "VMon");

    stand_in.set_faults("");
    f = next_frame(fd);
    if (f.records.size() != 3u) f = next_frame(fd);
    EXPECT_EQ(f.records.size(), 3u) << "the next cycle is whole again";
}

TEST_F(Polling, ALibraryWithoutMultiReadOpensButSendsNoEvents) {
    setenv("ZEVAHV_COMM_LIBRARY", COMM_WITHOUT_MULTIREAD, 1);
    stand_in.use_model("w40xx");
    System s(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, w40xx_arg());
    setenv("ZEVAHV_COMM_LIBRARY", CommStandIn::library_path(), 1);
    ASSERT_EQ(s.result(), 0);
    const int fd = subscribe(s.handle(), items("W40XX", s.handle(), {{0, "VSet"}}), 1);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(readable(fd, 1300));
    get_float(s.handle(), "VSet", 0);
}

TEST_F(Polling, UnitsFollowTheRangeRuleAndTheLastItemClosesTheConnection) {
    stand_in.use_model("rd40xx");
    System s(ZEVAHV_SYS_RD40XX, ZEVAHV_LINK_USB, "2_0");
    ASSERT_EQ(s.result(), 0);
    const int h = s.handle();
    ASSERT_EQ(set_float(h, "RampUp", 1, 500.0f), 0);
    ASSERT_EQ(set_float(h, "VSet", 1, 300.0f), 0);
    ASSERT_EQ(set_unsigned(h, "Pw", 1, 1), 0);
    ASSERT_TRUE(wait_until([&] { return get_float(h, "VMon", 1) > 299.9f; }));

    const std::string list = items("RD40XX", h, {{1, "IMonL"}, {1, "IMonH"}, {1, "Pw"}});
    const int fd = subscribe(h, list, 3);
    EXPECT_EQ(ident_, "2_0_00000000");
    Frame f = next_frame(fd);
    ASSERT_EQ(f.records.size(), 3u);
    std::map<std::string, IDValue_t> by_item;
    for (const auto& e : f.records) by_item[e.Item] = e;
    EXPECT_FLOAT_EQ(record_float(by_item["IMonL"]), 0.0f) << "the channel is in the high range";
    EXPECT_NEAR(record_float(by_item["IMonH"]), 3.0f, 0.01f);
    EXPECT_EQ(record_uint(by_item["Pw"]), 1u);

    std::vector<char> r(3, 9);
    ASSERT_EQ(ZEVAHV_UnSubscribe(h, static_cast<short>(listener_.port()), 3, list.c_str(), r.data()), 0);
    // Frames already sent, then the end of the stream.
    char buf[4096];
    bool closed = false;
    for (int k = 0; k < 20 && !closed && readable(fd, 3000); ++k) closed = ::read(fd, buf, sizeof buf) == 0;
    EXPECT_TRUE(closed);
}

}  // namespace
