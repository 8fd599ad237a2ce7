// Value conversions of parameters and the forms of system properties.
#include <gtest/gtest.h>

#include <cstring>

#include "mainframe/convert.h"
#include "mainframe/properties.h"
#include "wire_bytes.h"

using namespace zevahv::mainframe;

namespace {

ParamDescriptor numeric(int decimals, unsigned scale, bool is_signed = false) {
    ParamDescriptor d;
    d.type = 0;
    d.decimals = static_cast<std::int16_t>(decimals);
    d.scale = static_cast<std::uint16_t>(scale);
    d.is_signed = is_signed;
    return d;
}

std::string text_of(const Generation &g, const char *name, const WireBytes &data) {
    PropertyValue v;
    EXPECT_TRUE(decode_property(g, *find_property(g, name), data.bytes(), &v)) << name;
    EXPECT_EQ(v.form, PropertyValue::Text) << name;
    return v.text;
}

std::vector<unsigned char> argument_of(const Generation &g, const char *name, const void *value) {
    Request r("X", -1, false);
    EXPECT_TRUE(append_property_argument(g, *find_property(g, name), value, r)) << name;
    const auto &b = r.finish();
    return std::vector<unsigned char>(b.begin() + 5, b.end());
}

}  // namespace

TEST(MainframeValues, NumericConversionBothWays) {
    const ParamDescriptor d = numeric(1, 10);
    float v = 1234.56f;
    EXPECT_EQ(raw_for_write(d, &v), 12346u);
    EXPECT_FLOAT_EQ(v, 1234.6f);  // the caller sees what was sent
    EXPECT_FLOAT_EQ(raw_to_value(d, 12346), 1234.6f);

    // Without decimals the scale multiplies.
    const ParamDescriptor coarse = numeric(0, 5);
    EXPECT_FLOAT_EQ(raw_to_value(coarse, 7), 35.0f);
    EXPECT_EQ(value_to_raw(coarse, 36.0f), 7u);

    // Signed values round half away from zero and read back negative.
    const ParamDescriptor s = numeric(2, 100, true);
    EXPECT_EQ(static_cast<std::int32_t>(value_to_raw(s, -1.235f)), -124);
    EXPECT_FLOAT_EQ(raw_to_value(s, static_cast<std::uint32_t>(-124)), -1.24f);
    // Unsigned parameters read the same bits as a large positive number.
    EXPECT_GT(raw_to_value(numeric(0, 1), 0xFFFFFFFFu), 4e9f);

    // Out of range and broken inputs stay defined.
    EXPECT_EQ(value_to_raw(numeric(0, 1), -5.0f), 0u);
    EXPECT_EQ(value_to_raw(numeric(0, 1), 1e20f), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<std::int32_t>(value_to_raw(s, -1e20f)), INT32_MIN);
    EXPECT_FLOAT_EQ(raw_to_value(numeric(1, 0), 10), 10.0f);  // a scale of 0 means none
}

TEST(MainframeValues, ReadsStoreByType) {
    unsigned char out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    ParamDescriptor d = numeric(0, 1);
    d.type = 3;  // board status: left alone by a read
    EXPECT_FALSE(store_read_value(d, 5, out));
    EXPECT_EQ(out[0], 0xAA);
    d.type = 1;
    EXPECT_TRUE(store_read_value(d, 1, out));
    std::uint32_t u;
    std::memcpy(&u, out, 4);
    EXPECT_EQ(u, 1u);
    // Writing a two-state value sends the caller's bits unchanged.
    std::uint32_t on = 1;
    EXPECT_EQ(raw_for_write(d, &on), 1u);
}

TEST(MainframeValues, PropertyTextsOfBothGenerations) {
    const Generation &cur = kCurrentGeneration, &old = kLegacyGeneration;
    WireBytes sessions;
    sessions.u16(2).c().s("1:admin:127.0.0.1:10:20;2:op:127.0.0.2:11:21;");
    EXPECT_EQ(text_of(cur, "Sessions", sessions), "1:admin:127.0.0.1:10:20;2:op:127.0.0.2:11:21;");
    WireBytes cut;  // a count beyond the sessions sent
    cut.u16(3).c().s("1:a:b:c:d;");
    PropertyValue v;
    EXPECT_FALSE(decode_property(cur, *find_property(cur, "Sessions"), cut.bytes(), &v));

    WireBytes name;
    name.s("KR2440,Hall B crate");
    EXPECT_EQ(text_of(cur, "ModelName", name), "KR2440");
    EXPECT_EQ(text_of(cur, "SymbolicName", name), "Hall B crate");

    WireBytes psm;
    psm.u8(3).u8(1).u8(1).u8(2).u8(7);
    EXPECT_EQ(text_of(cur, "HvPwSM", psm), "3:1:B6611:B6610:-1");
    EXPECT_EQ(text_of(old, "HvPwSM", psm), "3:1:1:2:7");

    WireBytes fans;
    fans.u8(1).u16(3000).u8(0).u16(2900);
    EXPECT_EQ(text_of(cur, "HVFanStat", fans), "1:3000:0:2900");
    EXPECT_EQ(text_of(old, "FanStat", fans), "1:3000:0:2900");

    WireBytes clk;
    clk.u8(2).u8(5);
    EXPECT_EQ(text_of(cur, "HVClkConf", clk), "2:5");

    WireBytes dummy;
    dummy.u32(0xDEADBEEF);
    ASSERT_TRUE(decode_property(cur, *find_property(cur, "DummyReg"), dummy.bytes(), &v));
    EXPECT_EQ(v.u, 0xDEADBEEFu);
    WireBytes level;
    level.u16(0xFFFE);
    ASSERT_TRUE(decode_property(cur, *find_property(cur, "OutputLevel"), level.bytes(), &v));
    EXPECT_EQ(v.s, -2);
    EXPECT_FALSE(decode_property(cur, *find_property(cur, "OutputLevel"), dummy.bytes().first(1), &v));
}

TEST(MainframeValues, PropertyTextsNeverOverrunTheClient) {
    PropertyValue v;
    v.text.assign(5000, 'x');
    std::vector<char> out(kPropertyTextSize + 16, 'y');
    store_property(v, out.data());
    EXPECT_EQ(std::strlen(out.data()), kPropertyTextSize - 1);
    EXPECT_EQ(out[kPropertyTextSize], 'y');
}

TEST(MainframeValues, SetArgumentsByProperty) {
    const Generation &cur = kCurrentGeneration, &old = kLegacyGeneration;
    const unsigned char two[2] = {0x12, 0x34};
    EXPECT_EQ(argument_of(cur, "GenSignCfg", two), (std::vector<unsigned char>{0x34, ':', 0x12}));
    const std::uint16_t three = 3;
    // The output level is one bit; the legacy crate number is a whole number.
    EXPECT_EQ(argument_of(cur, "OutputLevel", &three), (std::vector<unsigned char>{0, 1}));
    EXPECT_EQ(argument_of(old, "CnetCrNum", &three), (std::vector<unsigned char>{0, 3}));
    EXPECT_EQ(argument_of(cur, "HVClkConf", "513"), (std::vector<unsigned char>{2, 1}));
    EXPECT_EQ(argument_of(cur, "IPAddr", "10.0.0.1"),
              (std::vector<unsigned char>{'1', '0', '.', '0', '.', '0', '.', '1'}));
    const std::uint32_t reg = 0x01020304;
    EXPECT_EQ(argument_of(cur, "DummyReg", &reg), (std::vector<unsigned char>{1, 2, 3, 4}));
}
