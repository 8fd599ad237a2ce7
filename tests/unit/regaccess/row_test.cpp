// Raw register contents to client values and back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ZEVAHVLink.h"
#include "regaccess/row.h"

using namespace zevahv::regaccess;

namespace {

float as_float(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

Row numeric(double scale, bool is_signed = false, bool wide = false) {
    Row r;
    r.type = ZEVAHV_PARAM_TYPE_NUMERIC;
    r.scale = scale;
    r.is_signed = is_signed;
    r.wide = wide;
    return r;
}

TEST(RowValues, NumericRowsDivideBySignAndWidth) {
    EXPECT_FLOAT_EQ(as_float(client_value(numeric(100), 12345)), 123.45f);
    EXPECT_FLOAT_EQ(as_float(client_value(numeric(10), 0xFFFF)), 6553.5f);
    EXPECT_FLOAT_EQ(as_float(client_value(numeric(10, true), 0xFFFF)), -0.1f);
    EXPECT_FLOAT_EQ(as_float(client_value(numeric(1000, true, true), 0xFFFFFC18u)), -1.0f);
    EXPECT_FLOAT_EQ(as_float(client_value(numeric(1, false, true), 300000u)), 300000.0f);
    EXPECT_FLOAT_EQ(as_float(client_value(numeric(1), 0x12345u)), 0x2345)
        << "a one-register row ignores anything above 16 bits";
    EXPECT_FLOAT_EQ(as_float(client_value(numeric(0), 77)), 77.0f) << "scale 0 shows raw";

    Row release = numeric(1);
    release.special = Special::Release;
    EXPECT_FLOAT_EQ(as_float(client_value(release, 0x0105)), 1.05f);
}

TEST(RowValues, WritesRoundToTheNearestCountAndMustFit) {
    std::uint32_t raw = 0;
    float shown = 0;
    ASSERT_TRUE(raw_from_number(numeric(100), 123.456, &raw, &shown));
    EXPECT_EQ(raw, 12346u);
    EXPECT_FLOAT_EQ(shown, 123.46f);
    ASSERT_TRUE(raw_from_number(numeric(10), 0.05, &raw, &shown));
    EXPECT_EQ(raw, 1u) << "a half rounds up on an unsigned row";
    ASSERT_TRUE(raw_from_number(numeric(10, true), -0.05, &raw, &shown));
    EXPECT_EQ(raw, 0xFFFFu) << "and away from zero on a signed one";
    ASSERT_TRUE(raw_from_number(numeric(1, false, true), 70000, &raw, &shown));
    EXPECT_EQ(raw, 70000u);

    EXPECT_FALSE(raw_from_number(numeric(1), -1, &raw, &shown));
    EXPECT_FALSE(raw_from_number(numeric(10), 6553.6, &raw, &shown));
    EXPECT_FALSE(raw_from_number(numeric(1, true), 32768, &raw, &shown));
    EXPECT_FALSE(raw_from_number(numeric(1), NAN, &raw, &shown));
    EXPECT_FALSE(raw_from_number(numeric(1, false, true), 4294967296.0, &raw, &shown));
}

}  // namespace
