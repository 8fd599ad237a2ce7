// Channel lists as typed on the command line.
#include <gtest/gtest.h>

#include "ZEVAHVLink.h"
#include "channels.h"
#include "failure.h"

namespace zcli {
namespace {

using Chs = std::vector<unsigned short>;

TEST(ChannelList, RangesAndSinglesInTheOrderGivenWithoutRepeats) {
    EXPECT_EQ(parse_channels("0-3,7", 16), (Chs{0, 1, 2, 3, 7}));
    EXPECT_EQ(parse_channels("7,2-3,3,2", 16), (Chs{7, 2, 3}));
    EXPECT_EQ(parse_channels("15", 16), (Chs{15}));
    EXPECT_EQ(parse_channels("all", 4), (Chs{0, 1, 2, 3}));
    EXPECT_EQ(channel_list_text({0, 1, 2, 3, 7, 9, 10}), "0-3,7,9-10");
    EXPECT_EQ(channel_list_text({5}), "5");
}

TEST(ChannelList, MalformedListsAreUsageErrors) {
    for (const char* bad : {"", "3-1", "a", "1,,2", "-1", "1-", ",", "1 ", "0x2", "2-3-4"}) {
        try {
            parse_channels(bad, 16);
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const Failure& f) {
            EXPECT_EQ(f.exit_code(), kExitUsage) << bad;
        }
    }
}

TEST(ChannelList, ChannelsBeyondTheBoardAreNotFound) {
    for (const char* beyond : {"16", "0-16", "3,17"}) {
        try {
            parse_channels(beyond, 16);
            ADD_FAILURE() << "accepted \"" << beyond << "\"";
        } catch (const Failure& f) {
            EXPECT_EQ(f.exit_code(), kExitNotFound) << beyond;
            EXPECT_EQ(f.code(), ZEVAHV_ERR_OUTOFRANGE) << beyond;
        }
    }
    // A number too large for any channel is no channel number at all.
    EXPECT_THROW(parse_channels("99999999999", 16), Failure);
    try {
        parse_channels("0", 0);
        ADD_FAILURE() << "a board without channels accepted channel 0";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("no channels"), std::string::npos) << f.what();
    }
}

}  // namespace
}  // namespace zcli
