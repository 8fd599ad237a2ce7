// Events of the amplifier families: the polling thread reads each
// subscribed row for all sixteen channels with one command and delivers
// every subscribed channel of it in one frame.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "amp_support.h"
#include "event_record.h"
#include "event_listener.h"

namespace {

std::string lock_name(const AmpFamily& f, int handle) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%03d", f.lock_prefix, handle);
    return buf;
}

std::string channel_items(const AmpFamily& f, int handle, const char* par, int from, int to) {
    std::string list;
    for (int ch = from; ch <= to; ++ch) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s.Board00.CHAN%03d.%s", lock_name(f, handle).c_str(), ch,
                      par);
        if (!list.empty()) list += ':';
        list += buf;
    }
    return list;
}

// Reads frames until one satisfies `want` (at most `frames` of them).
std::vector<IDValue_t> frame_where(int fd, int frames,
                                   const std::function<bool(const std::vector<IDValue_t>&)>& want) {
    for (int i = 0; i < frames; ++i) {
        ZEVAHV_SYSTEMSTATUS_t status;
        IDValue_t* ev = nullptr;
        unsigned n = 0;
        int r = ZEVAHV_GetEventData(fd, &status, &ev, &n);
        EXPECT_EQ(r, 0);
        if (r != 0) return {};
        std::vector<IDValue_t> got(ev, ev + n);
        ZEVAHV_FreeEventData(&ev);
        if (want(got)) return got;
    }
    ADD_FAILURE() << "no matching frame in " << frames << " frames";
    return {};
}

class AmpEvents : public ::testing::TestWithParam<const AmpFamily*> {};

TEST_P(AmpEvents, AllSixteenChannelsOfARowInOneFrame) {
    const AmpFamily& f = *GetParam();
    auto sim = SimProcess::start(f.device);
    for (int ch = 0; ch < 16; ++ch) sim_set(*sim, f.num_mnemonic, ch, std::to_string(10 + ch));
    auto sys = open_tcp(f, *sim);
    ASSERT_EQ(sys->result(), 0);
    int h = sys->handle();

    EventListener listener;
    std::string items = channel_items(f, h, f.num_par, 0, 15);
    char results[16];
    std::memset(results, 0x77, sizeof results);
    ASSERT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()), 16, items.c_str(), results),
              0);
    for (char r : results) EXPECT_EQ(r, 0);

    int fd = listener.accept_one(10000);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(EventListener::read_ident(fd, 10000), sim->tcp_arg(0));

    auto frame = frame_where(fd, 5, [](const auto& ev) { return ev.size() == 16; });
    ASSERT_EQ(frame.size(), 16u);
    for (int ch = 0; ch < 16; ++ch) {
        const IDValue_t& e = frame[ch];
        EXPECT_EQ(e.Type, ZEVAHV_EVENT_PARAMETER);
        EXPECT_EQ(e.BoardIndex, 0);
        EXPECT_EQ(e.ChannelIndex, ch);
        EXPECT_STREQ(e.Item, f.num_par);
        EXPECT_EQ(record_float(e), static_cast<float>(10 + ch));
    }

    // One command for the whole row, never one per channel.
    const std::string row_read = std::string("$BD:00,CMD:MON,CH:16,PAR:") + f.num_mnemonic;
    const std::string suffix = std::string(",PAR:") + f.num_mnemonic;
    int row_reads = 0;
    for (const auto& c : commands(*sim)) {
        if (c.rfind("$BD:00,CMD:MON,", 0) != 0 || !c.ends_with(suffix)) continue;
        EXPECT_EQ(c, row_read);
        ++row_reads;
    }
    EXPECT_GE(row_reads, 1);

    // Enumerations travel as integers, board rows with channel -1; values
    // changed at the module show in a later frame.
    sim_set(*sim, "SHAPE", 15, "2");
    char more[2];
    ASSERT_EQ(ZEVAHV_SubscribeChannelParams(h, static_cast<short>(listener.port()), 0, 15, "Shape",
                                            1, more),
              0);
    ASSERT_EQ(ZEVAHV_SubscribeBoardParams(h, static_cast<short>(listener.port()), 0, "Offset", 1,
                                          more + 1),
              0);
    EXPECT_EQ(more[0], 0);
    EXPECT_EQ(more[1], 0);
    frame = frame_where(fd, 5, [](const auto& ev) { return ev.size() == 18; });
    ASSERT_EQ(frame.size(), 18u);
    bool shape = false, offset = false;
    for (const auto& e : frame) {
        if (std::strcmp(e.Item, "Shape") == 0) {
            shape = true;
            EXPECT_EQ(e.ChannelIndex, 15);
            EXPECT_EQ(record_uint(e), 2u);
        } else if (std::strcmp(e.Item, "Offset") == 0) {
            offset = true;
            EXPECT_EQ(e.ChannelIndex, -1);
        }
    }
    EXPECT_TRUE(shape);
    EXPECT_TRUE(offset);

    // After the last unsubscription the polling thread closes the connection.
    std::string all = items + ":" + channel_items(f, h, "Shape", 15, 15) + ":" +
                      lock_name(f, h) + ".Board00.Offset";
    char res[18];
    ASSERT_EQ(ZEVAHV_UnSubscribe(h, static_cast<short>(listener.port()), 18, all.c_str(), res), 0);
    for (char r : res) EXPECT_EQ(r, 0);
    int r = 0;
    for (int i = 0; i < 5; ++i) {
        ZEVAHV_SYSTEMSTATUS_t status;
        IDValue_t* ev = nullptr;
        unsigned n = 0;
        r = ZEVAHV_GetEventData(fd, &status, &ev, &n);
        ZEVAHV_FreeEventData(&ev);
        if (r != 0) break;
    }
    EXPECT_EQ(r, ZEVAHV_ERR_SOCKETERROR);
    ::close(fd);
}

TEST_P(AmpEvents, RefusesItemsItCannotPoll) {
    const AmpFamily& f = *GetParam();
    auto sim = SimProcess::start(f.device);
    auto sys = open_tcp(f, *sim);
    ASSERT_EQ(sys->result(), 0);
    int h = sys->handle();
    EventListener listener;
    std::string items = channel_items(f, h, f.num_par, 15, 16) + ":" +
                        channel_items(f, h, "NoSuchPar", 0, 0);
    char res[3] = {1, 1, 1};
    EXPECT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()), 2, items.c_str(), res),
              ZEVAHV_ERR_INVALIDPARAMETER);
    ASSERT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()), 3, items.c_str(), res), 0);
    EXPECT_EQ(res[0], 0);
    EXPECT_EQ(static_cast<unsigned char>(res[1]), 255);  // channel 16 is beyond the module
    EXPECT_EQ(static_cast<unsigned char>(res[2]), 255);
    int fd = listener.accept_one(10000);
    ASSERT_GE(fd, 0);
    EventListener::read_ident(fd, 10000);
    auto frame = frame_where(fd, 5, [](const auto& ev) { return !ev.empty(); });
    ASSERT_EQ(frame.size(), 1u);
    EXPECT_EQ(frame[0].ChannelIndex, 15);
    ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(Families, AmpEvents, ::testing::Values(&kQ2906, &kQ2904, &kP731X),
                         [](const auto& info) { return std::string(info.param->model); });

}  // namespace
