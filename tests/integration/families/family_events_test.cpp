// Events of the five families: the polling thread's identification text,
// one all-channels read per channel row and cycle, records of the right
// types, and a client that moves to a new port.
#include <sys/socket.h>

#include <cstring>

#include "family_session.h"

namespace {

struct EventCase {
    const char* name;
    const char* device;
    int type;
    std::vector<std::string> device_args;
    const char* board_items;    // ':'-joined, or "" for none
    const char* channel_items;  // subscribed on every channel
    const char* all_channels;   // the command that reads a channel row for all channels
};

const EventCase kCases[] = {
    {"Rd40xxe", "rd40xxe", ZEVAHV_SYS_RD40XXE, {}, "BdAlarm:IlkStat", "VMon:Pw",
     "$CMD:MON,CH:2,PAR:VMON"},
    {"W7300", "w7300", ZEVAHV_SYS_W7300, {}, "Temp:Pw:IPAddr", "VMon:Name",
     "$CMD:MON,CH:8,PAR:VMON"},
    {"Lumenhv", "lumenhv", ZEVAHV_SYS_LUMENHV, {}, "Temp:BdIlk", "VMon:Pw",
     "$CMD:MON,CH:4,PAR:VMon"},
    {"Kqps", "kqps", ZEVAHV_SYS_KQPS, {}, "Temp:TempIGBT:Loop", "VMon:Pw", "MRV:?"},
    {"Zbk", "zbk", ZEVAHV_SYS_ZBK, {}, "", "V5:Pw", "$CMD:MON,CH:2,PAR:V5"},
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        const std::size_t end = list.find(':', start);
        out.push_back(list.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

class FamilyEvents : public ::testing::TestWithParam<EventCase> {};

TEST_P(FamilyEvents, EverySubscribedItemComesInEachCycleWithItsType) {
    const EventCase& c = GetParam();
    auto sim = start_device(c.device, Via::Tcp, c.device_args);
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, c.type, *sim, Via::Tcp), 0);
    const int h = sys.handle();
    const int channels = crate_map(h).channels;
    EventStream events;
    const short port = static_cast<short>(events.port());

    std::vector<std::string> wanted;
    const std::vector<std::string> board = split(c.board_items);
    if (!board.empty()) {
        std::vector<char> results(board.size(), 9);
        ASSERT_EQ(ZEVAHV_SubscribeBoardParams(h, port, 0, c.board_items,
                                              static_cast<unsigned>(board.size()), results.data()),
                  0);
        for (char r : results) EXPECT_EQ(r, 0);
        wanted.insert(wanted.end(), board.begin(), board.end());
    }
    const std::vector<std::string> per_channel = split(c.channel_items);
    for (int ch = 0; ch < channels; ++ch) {
        std::vector<char> results(per_channel.size(), 9);
        ASSERT_EQ(ZEVAHV_SubscribeChannelParams(h, port, 0, static_cast<unsigned short>(ch),
                                                c.channel_items,
                                                static_cast<unsigned>(per_channel.size()),
                                                results.data()),
                  0);
        for (char r : results) EXPECT_EQ(r, 0);
        for (const std::string& p : per_channel) wanted.push_back(p + "/" + std::to_string(ch));
    }
    ASSERT_TRUE(events.accept());
    EXPECT_EQ(events.ident(), tcp_address(*sim)) << "the address as the caller gave it";
    std::vector<IDValue_t> frame;
    ASSERT_TRUE(events.frame_with(wanted, 4, &frame));
    EXPECT_EQ(frame.size(), wanted.size()) << "each item once per frame";
    for (const IDValue_t& e : frame) {
        EXPECT_EQ(e.Type, 0) << "the reader hands out values as event kind 0";
        EXPECT_EQ(e.BoardIndex, 0);
        const std::string key = record_key(e);
        if (key.rfind("Pw", 0) == 0 || key.rfind("IlkStat", 0) == 0 || key == "Loop" ||
            key == "BdIlk") {
            unsigned u = 99;
            std::memcpy(&u, e.Value, 4);
            EXPECT_LE(u, 1u) << key;
        } else if (key == "IPAddr") {
            EXPECT_STREQ(e.Value, "127.0.0.1");
        } else if (key.rfind("Name", 0) == 0) {
            EXPECT_EQ(std::string(e.Value).rfind("CH0", 0), 0u) << e.Value;
        } else if (key != "BdAlarm") {
            float f = -1;
            std::memcpy(&f, e.Value, 4);
            EXPECT_GE(f, 0.0f) << key;
        }
    }
    // One read of each channel row for all channels, however many channels
    // are subscribed; not one per channel.
    const int cycles = commands_with(*sim, {c.all_channels});
    EXPECT_GE(cycles, 1);
    EXPECT_TRUE(events.frame_with(wanted, 2));
    EXPECT_GE(commands_with(*sim, {c.all_channels}), cycles + 1);

    // Unsubscribed, the connection ends.
    if (!board.empty()) {
        std::vector<char> results(board.size());
        EXPECT_EQ(ZEVAHV_UnSubscribeBoardParams(h, port, 0, c.board_items,
                                                static_cast<unsigned>(board.size()),
                                                results.data()),
                  0);
    }
    for (int ch = 0; ch < channels; ++ch) {
        std::vector<char> results(per_channel.size());
        EXPECT_EQ(ZEVAHV_UnSubscribeChannelParams(h, port, 0, static_cast<unsigned short>(ch),
                                                  c.channel_items,
                                                  static_cast<unsigned>(per_channel.size()),
                                                  results.data()),
                  0);
    }
    char buf[4096];
    EXPECT_TRUE(eventually([&] { return ::recv(events.fd(), buf, sizeof buf, MSG_DONTWAIT) == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyEvents, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EventCase>& i) {
                             return std::string(i.param.name);
                         });

// A client that unsubscribes everything and at once subscribes again on a
// new port (within the polling cycle that still holds the old connection)
// gets its events on the new port.
TEST(FamilyEventPorts, ANewPortGetsTheEventsAtOnce) {
    auto sim = start_device("w7300", Via::Tcp, {"--channels", "2"});
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_W7300, *sim, Via::Tcp), 0);
    const int h = sys.handle();
    char results[1];
    for (int round = 0; round < 3; ++round) {
        EventStream events;
        const short port = static_cast<short>(events.port());
        ASSERT_EQ(ZEVAHV_SubscribeChannelParams(h, port, 0, 1, "VMon", 1, results), 0);
        ASSERT_TRUE(events.accept(5000)) << "round " << round << ": no connection to the new port";
        EXPECT_TRUE(events.frame_with({"VMon/1"}, 3)) << round;
        ASSERT_EQ(ZEVAHV_UnSubscribeChannelParams(h, port, 0, 1, "VMon", 1, results), 0);
    }
}

} // namespace
