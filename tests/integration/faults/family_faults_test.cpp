// The same faults against every newer family, over TCP: every mode of a
// bad reply (once, and for a while), while the system is opened and while it
// is polled.  One simulator per family and check, the modes one after the
// other on it.
#include <gtest/gtest.h>

#include "fault_support.h"

namespace {

class FamilyFaults : public ::testing::TestWithParam<FaultFamily> {};

TEST_P(FamilyFaults, EachBadReplyFailsOneCallAndTheNextIsAnswered) {
    const FaultFamily& f = GetParam();
    auto sim = start_family(f, Transport::Tcp);
    const int fds = open_fd_count();
    int h = -1;
    ASSERT_EQ(open_family(f, *sim, Transport::Tcp, &h), 0);
    for (const FaultCase& c : fault_cases_of(f)) check_one_bad_reply(f, *sim, h, c);
    // A module that keeps failing, in the ways that do not pile up replies.
    for (const char* mode : {"silent", "garbage", "close-midline"})
        check_persistent_fault(f, *sim, h, FaultCase{mode, mode, 0});
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    EXPECT_EQ(open_fd_count(), fds);
}

TEST_P(FamilyFaults, AFaultWhileOpeningFailsTheOpenCleanly) {
    const FaultFamily& f = GetParam();
    auto sim = start_family(f, Transport::Tcp);
    for (const FaultCase& c : fault_cases_of(f)) check_open_fault(f, *sim, Transport::Tcp, c);
}

TEST_P(FamilyFaults, PollingRecoversAndCloseStaysPrompt) {
    const FaultFamily& f = GetParam();
    auto sim = start_family(f, Transport::Tcp);
    for (const char* mode : {"garbage", "close-midline"})
        check_polling_fault(f, *sim, Transport::Tcp, mode);
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyFaults, ::testing::ValuesIn(kNewFamilies),
                         [](const ::testing::TestParamInfo<FaultFamily>& i) {
                             return std::string(i.param.name);
                         });

}  // namespace
