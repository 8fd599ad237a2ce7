// The connection argument of the register-access systems.
#include <gtest/gtest.h>

#include "ZEVAHVLink.h"
#include "regaccess/comm_args.h"

using namespace zevahv::regaccess;

namespace {

TEST(CommArgs, LinkNumberDecimalNodeAndBaseHex) {
    CommArgs a;
    ASSERT_TRUE(parse_comm_args("12_1f_32100000", ZEVAHV_LINK_OPTLINK, &a));
    EXPECT_EQ(a.comm_link, kCommOptLink);
    EXPECT_EQ(a.link_number, 12);
    EXPECT_EQ(a.node, 0x1Fu);
    EXPECT_EQ(a.base, 0x32100000u);

    ASSERT_TRUE(parse_comm_args("0_0x10_0xFFFFFFFF", ZEVAHV_LINK_USB3, &a));
    EXPECT_EQ(a.node, 0x10u);
    EXPECT_EQ(a.base, 0xFFFFFFFFu);

    ASSERT_TRUE(parse_comm_args("3_0", ZEVAHV_LINK_USB, &a));
    EXPECT_EQ(a.base, 0u) << "the base address defaults to 0";
}

TEST(CommArgs, TheBridgeForcesNodeZeroAndNeedsNone) {
    CommArgs a;
    ASSERT_TRUE(parse_comm_args("2", ZEVAHV_LINK_B7301, &a));
    EXPECT_EQ(a.link_number, 2);
    EXPECT_EQ(a.node, 0u);
    ASSERT_TRUE(parse_comm_args("2_7_100", ZEVAHV_LINK_B7301, &a));
    EXPECT_EQ(a.node, 0u);
    EXPECT_EQ(a.base, 0x100u);
}

TEST(CommArgs, TcpTakesADottedAddressNeverAName) {
    CommArgs a;
    ASSERT_TRUE(parse_comm_args("192.168.1.20_3", ZEVAHV_LINK_TCPIP, &a));
    EXPECT_EQ(a.ip, "192.168.1.20");
    EXPECT_EQ(a.node, 3u);
    ASSERT_TRUE(parse_comm_args("127.0.0.1:47001_0_ff", ZEVAHV_LINK_TCPIP, &a));
    EXPECT_EQ(a.ip, "127.0.0.1:47001");
    EXPECT_EQ(a.base, 0xFFu);

    for (const char *bad : {"localhost_0", "1.2.3_0", "1.2.3.256_0", "1.2.3.4:0_0",
                            "1.2.3.4:65536_0", "127.000.000.001:10_0" /* 18 characters */,
                            "1.2.3.4", "_0"})
        EXPECT_FALSE(parse_comm_args(bad, ZEVAHV_LINK_TCPIP, &a)) << bad;
}

TEST(CommArgs, MissingOrMalformedFieldsFail) {
    CommArgs a;
    for (const char *bad : {"", "3", "3_", "_1", "3_0_", "3_0_1_2", "-1_0", "+1_0", "3_zz",
                            "3_0_1ffffffff", "3 _0", "99999999999_0", "3_0x"})
        EXPECT_FALSE(parse_comm_args(bad, ZEVAHV_LINK_USB, &a)) << "'" << bad << "'";
    EXPECT_FALSE(parse_comm_args("3_0", ZEVAHV_LINK_USBVCP, &a));
}

}  // namespace
