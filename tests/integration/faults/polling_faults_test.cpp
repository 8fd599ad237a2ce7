// Faults while the polling thread is reading subscribed values: frames
// simply miss what failed and come back whole once the module answers
// again; application calls in between get their codes within their wait;
// a system closed while its module is silent closes promptly and its event
// connection ends.  The Q3815 over TCP and a serial line.
#include <gtest/gtest.h>

#include "fault_support.h"

namespace {

using Param = std::tuple<Transport, const char*>;
class PollingFaults : public ::testing::TestWithParam<Param> {};

TEST_P(PollingFaults, FramesComeBackWholeAndCloseStaysPrompt) {
    const Transport t = std::get<0>(GetParam());
    auto sim = start_family(kQ3815, t);
    check_polling_fault(kQ3815, *sim, t, std::get<1>(GetParam()));
}

std::string case_name(const ::testing::TestParamInfo<Param>& info) {
    std::string m = std::get<1>(info.param);
    for (char& c : m)
        if (c == '-') c = '_';
    return std::string(transport_name(std::get<0>(info.param))) + "_" + m;
}

INSTANTIATE_TEST_SUITE_P(Modules, PollingFaults,
                         ::testing::Combine(::testing::Values(Transport::Tcp, Transport::Serial),
                                            ::testing::Values("silent", "garbage", "close-midline",
                                                              "no-eol")),
                         case_name);

}  // namespace
