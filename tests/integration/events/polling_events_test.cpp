// The polling thread of a Q3815: subscriptions, the event connection to the
// client's port, the frames it sends and the end of it all.
#include <chrono>

#include "event_session.h"

using Clock = std::chrono::steady_clock;

TEST_F(SubscribedModule, SubscribedChannelsArriveWithOneCommandPerRow) {
    char res[1] = {42};
    ASSERT_EQ(subscribe_channel(1, "VMon", 1, res), 0);
    EXPECT_EQ(res[0], 0);
    int fd = accept_events();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(subscribe_channel(3, "VMon", 1, res), 0);

    Frame f = frame_where(fd, [](const Frame &f) { return f.events.size() == 2; });
    ASSERT_EQ(f.result, 0);
    ASSERT_EQ(f.events.size(), 2u);
    for (const IDValue_t &e : f.events) {
        EXPECT_EQ(e.Type, ZEVAHV_EVENT_PARAMETER);
        EXPECT_EQ(e.SystemHandle, 0);  // the module slot
        EXPECT_EQ(e.BoardIndex, 0);
        EXPECT_STREQ(e.Item, "VMon");
    }
    EXPECT_EQ(f.events[0].ChannelIndex, 1);
    EXPECT_EQ(f.events[1].ChannelIndex, 3);
    // One all-channels monitor per cycle, never one per channel.
    EXPECT_GE(commands_with(*sim_, {"CMD:MON,CH:4,PAR:VMON"}), 1);
    EXPECT_EQ(commands_with(*sim_, {"CMD:MON,CH:1,PAR:VMON"}), 0);
    EXPECT_EQ(commands_with(*sim_, {"CMD:MON,CH:3,PAR:VMON"}), 0);
}

TEST_F(SubscribedModule, RampingVoltageAndPowerArriveAsEvents) {
    const unsigned short ch = 0;
    float vset = 2000;
    unsigned on = 1;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &vset), 0);
    char res[2];
    ASSERT_EQ(subscribe_channel(0, "VMon:Pw", 2, res), 0);
    EXPECT_EQ(res[0], 0);
    EXPECT_EQ(res[1], 0);
    int fd = accept_events();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 1, &ch, &on), 0);

    float first = -1, last = -1;
    unsigned pw = 0;
    for (int i = 0; i < 12 && !(first >= 0 && last > first + 50); ++i) {
        Frame f = read_frame(fd);
        ASSERT_EQ(f.result, 0);
        for (const IDValue_t &e : f.events) {
            if (std::string(e.Item) == "VMon") {
                if (first < 0) first = record_float(e);
                last = record_float(e);
            } else if (std::string(e.Item) == "Pw") {
                pw = record_uint(e);
            }
        }
    }
    EXPECT_GT(last, first + 50);  // ramping at 100 V/s
    EXPECT_EQ(pw, 1u);
    // Power is polled through the status word of all channels.
    EXPECT_GE(commands_with(*sim_, {"CH:4,PAR:STAT"}), 1);
}

TEST_F(SubscribedModule, ItemResultsCountsAndBoardItems) {
    char res[4] = {9, 9, 9, 9};
    // The same item twice counts once; both are accepted.
    ASSERT_EQ(subscribe_channel(0, "VMon:VMon", 2, res), 0);
    EXPECT_EQ(res[0], 0);
    EXPECT_EQ(res[1], 0);
    int fd = accept_events();
    ASSERT_GE(fd, 0);
    // Write-only and unknown names are refused, readable ones accepted.
    std::memset(res, 9, sizeof res);
    ASSERT_EQ(ZEVAHV_SubscribeBoardParams(h(), port(), 0, "ClrAlarm:Alarm:NoSuch", 3, res), 0);
    EXPECT_EQ(static_cast<unsigned char>(res[0]), 255);
    EXPECT_EQ(res[1], 0);
    EXPECT_EQ(static_cast<unsigned char>(res[2]), 255);
    // A channel beyond the module, and a channel name as a board item.
    ASSERT_EQ(subscribe_channel(4, "VMon", 1, res), 0);
    EXPECT_EQ(static_cast<unsigned char>(res[0]), 255);
    ASSERT_EQ(ZEVAHV_SubscribeBoardParams(h(), port(), 0, "VMon", 1, res), 0);
    EXPECT_EQ(static_cast<unsigned char>(res[0]), 255);
    // The item count must match the list.
    EXPECT_EQ(ZEVAHV_Subscribe(h(), port(), 2,
                               "ZEVA_Q3815_HVL_000.Board00.Alarm:ZEVA_Q3815_HVL_000.Board00.CHAN000.VMon:"
                               "ZEVA_Q3815_HVL_000.Board00.CHAN000.ISet",
                               res),
              26);

    // Two subscriptions: VMon of channel 0 (once) and the board's Alarm.
    Frame f = frame_where(fd, [](const Frame &f) { return f.events.size() == 2; });
    ASSERT_EQ(f.events.size(), 2u);
    EXPECT_STREQ(f.events[0].Item, "Alarm");  // board rows come first
    EXPECT_EQ(f.events[0].ChannelIndex, -1);
    EXPECT_EQ(f.events[0].Type, 0);
    EXPECT_STREQ(f.events[1].Item, "VMon");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(read_frame(fd).events.size(), 2u);
}

TEST_F(SubscribedModule, LastUnsubscribeClosesTheConnectionAndSubscribeReopensIt) {
    char res[2];
    ASSERT_EQ(subscribe_channel(2, "VMon:IMonH", 2, res), 0);
    int fd = accept_events();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(read_frame(fd).result, 0);
    ASSERT_EQ(unsubscribe_channel(2, "VMon", 1, res), 0);
    EXPECT_EQ(res[0], 0);
    // Unsubscribing what is not subscribed changes nothing.
    ASSERT_EQ(unsubscribe_channel(1, "VMon", 1, res), 0);
    EXPECT_EQ(res[0], 0);
    EXPECT_FALSE(peer_closes(fd, 1500));  // IMonH is still there
    ASSERT_EQ(unsubscribe_channel(2, "IMonH", 1, res), 0);
    auto t0 = Clock::now();
    EXPECT_TRUE(peer_closes(fd, 10000));
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5));

    ASSERT_EQ(subscribe_channel(0, "VSet", 1, res), 0);
    int again = accept_events();  // with the identification text again
    ASSERT_GE(again, 0);
    Frame f = read_frame(again);
    ASSERT_EQ(f.result, 0);
    ASSERT_EQ(f.events.size(), 1u);
    EXPECT_STREQ(f.events[0].Item, "VSet");
}

TEST_F(SubscribedModule, FailedEventConnectLeavesNothingSubscribed) {
    unsigned short dead = 0;
    {
        EventListener gone;  // a port that was free a moment ago
        dead = gone.port();
    }
    char res[1];
    EXPECT_EQ(ZEVAHV_SubscribeChannelParams(h(), static_cast<short>(dead), 0, 0, "VMon", 1, res),
              28);
    ASSERT_EQ(subscribe_channel(1, "ISet", 1, res), 0);
    int fd = accept_events();
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 3; ++i) {
        Frame f = read_frame(fd);
        ASSERT_EQ(f.result, 0);
        ASSERT_EQ(f.events.size(), 1u);
        EXPECT_STREQ(f.events[0].Item, "ISet");
    }
    EXPECT_EQ(commands_with(*sim_, {"PAR:VMON"}), 0);
}

TEST_F(SubscribedModule, ClosingWhileSubscribedEndsThePollingPromptly) {
    char res[1];
    ASSERT_EQ(subscribe_channel(0, "VMon", 1, res), 0);
    int fd = accept_events();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(read_frame(fd).result, 0);
    auto t0 = Clock::now();
    EXPECT_EQ(sys_.close(), 0);
    // One cycle pause is cut short; at most an exchange in flight remains.
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(3));
    EXPECT_TRUE(peer_closes(fd, 5000));
    // Nothing polls the module any more.
    sim_->control("count reset");
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(sim_->control("count"), "OK 0");
}
