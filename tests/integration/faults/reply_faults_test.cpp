// A module whose replies go wrong, one exchange at a time or for a while:
// each read returns 3 and each write 2, within the exchange's wait, and the
// exchange after the fault is answered normally: on the same link, with the
// right value.  The Q3815 over TCP and over a serial line, case by case.
#include <gtest/gtest.h>

#include "fault_support.h"

namespace {

// Late replies pile up in a module that is late with every one of them, so
// the persistent faults leave them out (the one-off case covers them).
std::vector<FaultCase> persistent_cases() {
    std::vector<FaultCase> cases;
    for (const FaultCase& c : kFaultCases)
        if (c.late_ms == 0) cases.push_back(c);
    return cases;
}

using Param = std::tuple<Transport, FaultCase>;

class ReplyFaults : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        transport_ = std::get<0>(GetParam());
        fault_ = std::get<1>(GetParam());
        sim_ = start_family(kQ3815, transport_);
        fds_ = open_fd_count();
        ASSERT_EQ(open_family(kQ3815, *sim_, transport_, &h_), 0);
    }

    void TearDown() override {
        if (h_ >= 0) {
            EXPECT_EQ(ZEVAHV_DeinitSystem(h_), 0);
            // The link and the polling thread's sockets are gone with it.
            EXPECT_EQ(open_fd_count(), fds_);
        }
    }

    Transport transport_{};
    FaultCase fault_{};
    std::unique_ptr<SimProcess> sim_;
    int fds_ = 0;
    int h_ = -1;
};

TEST_P(ReplyFaults, OneBadReplyFailsOneCallAndTheNextExchangeIsAnswered) {
    check_one_bad_reply(kQ3815, *sim_, h_, fault_);
}

class PersistentReplyFaults : public ReplyFaults {};

TEST_P(PersistentReplyFaults, AModuleThatKeepsFailingNeverHangsACall) {
    check_persistent_fault(kQ3815, *sim_, h_, fault_);
}

std::string case_name(const ::testing::TestParamInfo<Param>& info) {
    return std::string(transport_name(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Modules, ReplyFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::ValuesIn(kFaultCases)),
                         case_name);
INSTANTIATE_TEST_SUITE_P(Modules, PersistentReplyFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::ValuesIn(persistent_cases())),
                         case_name);

// A reply that comes after the call gave up, while the next command is
// about to go out: the module protocol carries no sequence number, so the
// link gives an owed reply one more wait before it sends the next command.
// A reply up to twice the wait late is dropped, not handed to the next
// caller as its answer.
class LateReply : public ::testing::TestWithParam<Transport> {};

TEST_P(LateReply, IsNotTakenForTheAnswerToTheNextCommand) {
    const Transport t = GetParam();
    auto sim = start_family(kQ3815, t);
    int h = -1;
    ASSERT_EQ(open_family(kQ3815, *sim, t, &h), 0);
    // One and a half times the exchange's wait (1 s TCP, 600 ms serial).
    control_ok(*sim, t == Transport::Tcp ? "fault-once delay 1500" : "fault-once delay 900");
    EXPECT_EQ(read_probe(h, kQ3815.a), ZEVAHV_ERR_READ);
    bool matches = false;
    EXPECT_EQ(read_probe(h, kQ3815.b, &matches), 0);
    EXPECT_TRUE(matches) << "channel 1 was answered with channel 0's late reply";
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
}

INSTANTIATE_TEST_SUITE_P(Modules, LateReply, ::testing::Values(Transport::Tcp, Transport::Serial),
                         [](const ::testing::TestParamInfo<Transport>& i) {
                             return std::string(transport_name(i.param));
                         });

}  // namespace
