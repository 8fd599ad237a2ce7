// Values in the module command language: numbers printed for a set,
// firmware releases read at open.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "modules/protocol.h"

using namespace zevahv::modules::protocol;

namespace {

std::string fixed(double v, int width, int decimals) {
    char buf[64];
    EXPECT_TRUE(format_fixed(v, width, decimals, buf, sizeof buf));
    return buf;
}

}  // namespace

TEST(ModuleValues, FixedFormatsPadLikePrintf) {
    EXPECT_EQ(fixed(100.5f, 5, 1), "100.5");    // VSET, I=4 D=1
    EXPECT_EQ(fixed(1500.0f, 5, 1), "1500.0");
    EXPECT_EQ(fixed(3.0f, 6, 2), "003.00");     // ISET, I=4 D=2
    EXPECT_EQ(fixed(12.5f, 4, 2), "12.50");
    EXPECT_EQ(fixed(1234.6f, 1, 0), "1235");    // set width 1
    EXPECT_EQ(fixed(100.0f, 3, 0), "100");
    EXPECT_EQ(fixed(7.0f, 3, 0), "007");
    EXPECT_EQ(fixed(-5.0f, 5, 1), "-05.0");     // zeros go after the sign
    EXPECT_EQ(fixed(0.0, 0, 0), "0");
    EXPECT_EQ(fixed(2.345, 5, 2), "02.35");

    char small[4];
    EXPECT_FALSE(format_fixed(1234.5, 0, 1, small, sizeof small));
    char buf[64];
    EXPECT_FALSE(format_fixed(std::numeric_limits<double>::quiet_NaN(), 5, 1, buf, sizeof buf));
    EXPECT_FALSE(format_fixed(std::numeric_limits<double>::infinity(), 5, 1, buf, sizeof buf));
    // Huge values still fit a line; absurd widths are refused.
    EXPECT_TRUE(format_fixed(3e38, 5, 1, buf, sizeof buf));
    EXPECT_FALSE(format_fixed(1.0, 500, 1, buf, sizeof buf));

    ASSERT_TRUE(format_int(42, 5, buf, sizeof buf));
    EXPECT_STREQ(buf, "00042");
    ASSERT_TRUE(format_int(-42, 5, buf, sizeof buf));
    EXPECT_STREQ(buf, "-0042");
}

TEST(ModuleValues, ReleasesLandInTheCrateMapsBytes) {
    Release r;
    ASSERT_TRUE(parse_release("2.7", 1, &r));
    EXPECT_EQ(r.major, 2);
    EXPECT_EQ(r.minor, 7);
    ASSERT_TRUE(parse_release("1.12.3.9", 2, &r));
    EXPECT_EQ(r.minor, 12);
    EXPECT_EQ(r.patch, 3);
    ASSERT_TRUE(parse_release(" 300.x", 1, &r));
    EXPECT_EQ(r.major, 255);
    EXPECT_EQ(r.minor, 0);
    EXPECT_FALSE(parse_release("27", 1, &r));
    EXPECT_FALSE(parse_release("2.7", 2, &r));
}
