// A module whose replies go wrong, one exchange at a time or for a while:
// each read returns 3 and each write 2, within the exchange's wait, and the
// exchange after the fault is answered normally: on the same link, with the
// right value.  Over TCP and over a serial line.
#include <gtest/gtest.h>

#include <thread>

#include "fault_support.h"

namespace {

struct FaultCase {
    const char* name;
    const char* mode;  // the simulator's fault command argument
    int late_ms;       // > 0: the reply comes, but this late
};

constexpr FaultCase kCases[] = {
    {"Silent", "silent", 0},
    {"Late", "delay 1800", 1800},
    {"CloseMidLine", "close-midline", 0},
    {"LongLine5000", "long-line 5000", 0},
    {"NoLineEnd", "no-eol", 0},
    {"OtherBoard", "wrong-board", 0},
    {"Garbage", "garbage", 0},
};

// Late replies pile up in a module that is late with every one of them, so
// the persistent faults leave them out (the one-off case covers them).
constexpr FaultCase kPersistentCases[] = {
    {"Silent", "silent", 0},          {"CloseMidLine", "close-midline", 0},
    {"LongLine5000", "long-line 5000", 0}, {"NoLineEnd", "no-eol", 0},
    {"OtherBoard", "wrong-board", 0}, {"Garbage", "garbage", 0},
};

using Param = std::tuple<Transport, FaultCase>;

class ReplyFaults : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        transport_ = std::get<0>(GetParam());
        fault_ = std::get<1>(GetParam());
        sim_ = start_q3815(transport_);
        control_ok(*sim_, "set 0 VSET 0 100");
        control_ok(*sim_, "set 0 VSET 1 200");
        fds_ = open_fd_count();
        ASSERT_EQ(open_q3815(*sim_, transport_, &h_), 0);
    }

    void TearDown() override {
        if (h_ >= 0) {
            EXPECT_EQ(ZEVAHV_DeinitSystem(h_), 0);
            // The link and the polling thread's sockets are gone with it.
            EXPECT_EQ(open_fd_count(), fds_);
        }
    }

    // A late reply is still on its way when the call gives up; nothing
    // outside the library shows when it has landed, so wait it out.
    void let_late_reply_land(const Stopwatch& since_call) {
        if (fault_.late_ms <= 0) return;
        const double left = fault_.late_ms / 1000.0 + 0.5 - since_call.seconds();
        if (left > 0) std::this_thread::sleep_for(std::chrono::duration<double>(left));
    }

    Transport transport_{};
    FaultCase fault_{};
    std::unique_ptr<SimProcess> sim_;
    int fds_ = 0;
    int h_ = -1;
};

TEST_P(ReplyFaults, OneBadReplyFailsOneCallAndTheNextExchangeIsAnswered) {
    float v = -1;
    control_ok(*sim_, std::string("fault-once ") + fault_.mode);
    Stopwatch read_call;
    EXPECT_EQ(read_vset(h_, 0, &v), ZEVAHV_ERR_READ);
    EXPECT_LT(read_call.seconds(), kCallBoundS);
    let_late_reply_land(read_call);

    // Another channel than the failed one: a leftover of the bad reply taken
    // for this answer would show as 100.
    v = -1;
    EXPECT_EQ(read_vset(h_, 1, &v), 0);
    EXPECT_FLOAT_EQ(v, 200);

    control_ok(*sim_, std::string("fault-once ") + fault_.mode);
    Stopwatch write_call;
    EXPECT_EQ(write_vset(h_, 1, 250), ZEVAHV_ERR_WRITE);
    EXPECT_LT(write_call.seconds(), kCallBoundS);
    let_late_reply_land(write_call);

    v = -1;
    EXPECT_EQ(read_vset(h_, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 100);
    // The written value reached the module; only its reply was bad.
    EXPECT_EQ(read_vset(h_, 1, &v), 0);
    EXPECT_FLOAT_EQ(v, 250);
}

class PersistentReplyFaults : public ReplyFaults {};

TEST_P(PersistentReplyFaults, AModuleThatKeepsFailingNeverHangsACall) {
    control_ok(*sim_, std::string("fault ") + fault_.mode);
    float v = -1;
    for (int i = 0; i < 3; ++i) {
        Stopwatch call;
        EXPECT_EQ(read_vset(h_, static_cast<unsigned short>(i % 2), &v), ZEVAHV_ERR_READ) << i;
        EXPECT_LT(call.seconds(), kCallBoundS) << i;
    }
    Stopwatch call;
    EXPECT_EQ(write_vset(h_, 0, 300), ZEVAHV_ERR_WRITE);
    EXPECT_LT(call.seconds(), kCallBoundS);

    control_ok(*sim_, "fault none");
    EXPECT_EQ(read_vset(h_, 1, &v), 0);
    EXPECT_FLOAT_EQ(v, 200);
}

std::string case_name(const ::testing::TestParamInfo<Param>& info) {
    return std::string(transport_name(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Modules, ReplyFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::ValuesIn(kCases)),
                         case_name);
INSTANTIATE_TEST_SUITE_P(Modules, PersistentReplyFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::ValuesIn(kPersistentCases)),
                         case_name);

// A reply that comes after the call gave up, while the next command is
// about to go out: the module protocol carries no sequence number, so the
// link gives an owed reply one more wait before it sends the next command.
// A reply up to twice the wait late is dropped, not handed to the next
// caller as its answer.
class LateReply : public ::testing::TestWithParam<Transport> {};

TEST_P(LateReply, IsNotTakenForTheAnswerToTheNextCommand) {
    const Transport t = GetParam();
    auto sim = start_q3815(t);
    control_ok(*sim, "set 0 VSET 0 100");
    control_ok(*sim, "set 0 VSET 1 200");
    int h = -1;
    ASSERT_EQ(open_q3815(*sim, t, &h), 0);
    // One and a half times the exchange's wait (1 s TCP, 600 ms serial).
    control_ok(*sim, t == Transport::Tcp ? "fault-once delay 1500" : "fault-once delay 900");
    float v = -1;
    EXPECT_EQ(read_vset(h, 0, &v), ZEVAHV_ERR_READ);
    v = -1;
    EXPECT_EQ(read_vset(h, 1, &v), 0);
    EXPECT_FLOAT_EQ(v, 200) << "channel 1 was answered with channel 0's late reply";
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
}

INSTANTIATE_TEST_SUITE_P(Modules, LateReply, ::testing::Values(Transport::Tcp, Transport::Serial),
                         [](const ::testing::TestParamInfo<Transport>& i) {
                             return std::string(transport_name(i.param));
                         });

}  // namespace
