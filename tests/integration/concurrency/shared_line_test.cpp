// Several modules daisy-chained on one serial line: each open system has
// its own board address and polling thread, all share the one port and its
// link lock.  Polling threads and application threads interleave command by
// command; every answer, in a reply or in an event frame, must come from the
// board it was asked of.
#include <gtest/gtest.h>

#include <unistd.h>

#include <map>

#include "concurrency_support.h"
#include "event_listener.h"

namespace {

constexpr int kBoards = 4;
constexpr int kChannels = 4;
constexpr int kFramesPerBoard = 6;
constexpr int kRounds = 30;

float board_value(int board, int ch) { return static_cast<float>(100 * (board + 1) + 10 * ch); }

TEST(SharedSerialLine, PollingAndCallsOfFourBoardsNeverCrossAnswers) {
    auto sim = SimProcess::start("q3815", {"--pty", "--boards", "0,1,2,3", "--channels",
                                           std::to_string(kChannels)});
    for (int b = 0; b < kBoards; ++b)
        for (int c = 0; c < kChannels; ++c)
            expect_ok(*sim, "set " + std::to_string(b) + " VSET " + std::to_string(c) + " " +
                                std::to_string(static_cast<int>(board_value(b, c))));
    const int fds = open_fd_count();

    int handle[kBoards];
    for (int b = 0; b < kBoards; ++b)
        ASSERT_EQ(open_system(ZEVAHV_SYS_Q3815, true, sim->serial_arg(b), &handle[b]), 0) << b;

    EventListener listener;
    for (int b = 0; b < kBoards; ++b) {
        const std::string items = channel_items("ZEVA_Q3815_HVL_", handle[b], "VSet", kChannels) +
                                  ":" + channel_items("ZEVA_Q3815_HVL_", handle[b], "Pw", kChannels);
        char results[2 * kChannels];
        ASSERT_EQ(ZEVAHV_Subscribe(handle[b], static_cast<short>(listener.port()), 2 * kChannels,
                                   items.c_str(), results),
                  0);
    }
    // One event connection per system; its identification text names the
    // board it belongs to.
    std::map<int, int> fd_of_board;
    for (int k = 0; k < kBoards; ++k) {
        const int fd = listener.accept_one(10000);
        ASSERT_GE(fd, 0);
        fd_of_board[ident_board(EventListener::read_ident(fd, 5000))] = fd;
    }
    ASSERT_EQ(fd_of_board.size(), static_cast<std::size_t>(kBoards));

    std::vector<std::function<void()>> jobs;
    for (int b = 0; b < kBoards; ++b) {
        // An application thread per system: reads of all channels at once,
        // and writes that leave the values as they are.
        jobs.push_back([&, b] {
            const unsigned short chs[kChannels] = {0, 1, 2, 3};
            for (int k = 0; k < kRounds; ++k) {
                float v[kChannels] = {};
                ASSERT_EQ(ZEVAHV_GetChParam(handle[b], 0, "VSet", kChannels, chs, v), 0);
                for (int c = 0; c < kChannels; ++c)
                    ASSERT_EQ(v[c], board_value(b, c)) << "board " << b << " channel " << c;
                float same = board_value(b, k % kChannels);
                const unsigned short c = chs[k % kChannels];
                ASSERT_EQ(ZEVAHV_SetChParam(handle[b], 0, "VSet", 1, &c, &same), 0);
            }
        });
        // And its subscriber.
        jobs.push_back([&, b] {
            const int fd = fd_of_board.at(b);
            for (int f = 0; f < kFramesPerBoard; ++f) {
                std::vector<IDValue_t> rec;
                ASSERT_EQ(read_frame(fd, &rec), 0) << "board " << b;
                for (const IDValue_t& e : rec) {
                    if (std::string(e.Item) != "VSet") continue;
                    ASSERT_EQ(record_float(e), board_value(b, e.ChannelIndex))
                        << "board " << b << " was sent another board's value";
                }
            }
        });
    }
    run_parallel(jobs);

    for (int b = 0; b < kBoards; ++b) EXPECT_EQ(ZEVAHV_DeinitSystem(handle[b]), 0);
    for (auto& [board, fd] : fd_of_board) ::close(fd);
    // The port closed with the last system; only the test's listener stays.
    EXPECT_EQ(open_fd_count(), fds + 1);
}

}  // namespace
