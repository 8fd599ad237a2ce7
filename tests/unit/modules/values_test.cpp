// How a module's value text becomes a client's value for the row roles and
// the two ways families carry states.
#include <gtest/gtest.h>

#include "modules/slots.h"

using namespace zevahv::modules;

namespace {

constexpr Row kPw = {.name = "Pw", .mnemonic = "Pw", .type_mode = type_mode(kOnOff, kReadWrite),
                     .proto_on = "ON", .proto_off = "OFF", .role = Role::Power};
constexpr Row kRange = {.name = "ImonRange", .mnemonic = "IMRANGE",
                        .type_mode = type_mode(kOnOff, kReadWrite), .proto_on = "LOW",
                        .proto_off = "HIGH", .role = Role::RangeSwitch};
constexpr Row kLow = {.name = "IMonL", .mnemonic = "IMON", .type_mode = type_mode(kNumeric, kRead),
                      .role = Role::MonitorLow};
constexpr Row kHigh = {.name = "IMonH", .mnemonic = "IMON",
                       .type_mode = type_mode(kNumeric, kRead), .role = Role::MonitorHigh};
constexpr Row kPol = {.name = "Polarity", .mnemonic = "POL", .type_mode = type_mode(kOnOff, kRead),
                      .proto_on = "-", .proto_off = "+"};
constexpr Row kShape = {.name = "Shape", .mnemonic = "SHAPE",
                        .type_mode = type_mode(kEnum, kReadWrite), .max = 2};
constexpr Row kName = {.name = "Name", .mnemonic = "NAME", .type_mode = type_mode(kText, kRead)};

constexpr FamilyDesc kTexts = {.name = "texts"};
constexpr FamilyDesc kNumbers = {.name = "numbers", .states_as_numbers = true,
                                 .power_rule = PowerRule::Bit0};

struct Fixture {
    explicit Fixture(const FamilyDesc &d) { m.desc = &d; }
    Value convert(const Row &r, int ch, const char *text, bool ok = true) {
        Value v;
        EXPECT_EQ(convert_value(m, r, ch, text, &v), ok) << r.name << " " << text;
        return v;
    }
    Module m;
};

}  // namespace

TEST(ModuleValueRules, PowerComesFromTheStatusWord) {
    Fixture q(kTexts);
    EXPECT_EQ(read_mnemonic(q.m, kPw), "STAT");
    EXPECT_EQ(q.convert(kPw, 0, "00001").u, 1u);
    EXPECT_EQ(q.convert(kPw, 0, "00005").u, 0u);  // on, but tripped/ramping down
    EXPECT_EQ(q.convert(kPw, 0, "00004").u, 0u);
    EXPECT_EQ(q.convert(kPw, 0, "00002").u, 0u);
    q.convert(kPw, 0, "ON", false);

    Fixture k(kNumbers);
    EXPECT_EQ(k.convert(kPw, 0, "5").u, 1u);  // families that look at bit 0 only
}

TEST(ModuleValueRules, RangeStateDecidesWhichMonitorIsLive) {
    Fixture q(kTexts);
    // High after open: the low monitor reads 0 without asking.
    EXPECT_TRUE(monitor_out_of_range(q.m, kLow, 2));
    EXPECT_FALSE(monitor_out_of_range(q.m, kHigh, 2));
    EXPECT_EQ(q.convert(kRange, 2, "LOW").u, 1u);
    EXPECT_FALSE(monitor_out_of_range(q.m, kLow, 2));
    EXPECT_TRUE(monitor_out_of_range(q.m, kHigh, 2));
    EXPECT_EQ(q.convert(kHigh, 2, "0012.50").f, 0.0f);  // polled all-channel value hidden
    EXPECT_FLOAT_EQ(q.convert(kLow, 2, "0012.50").f, 12.5f);
    EXPECT_TRUE(monitor_out_of_range(q.m, kLow, 1));  // other channels unchanged
    EXPECT_EQ(q.convert(kRange, 2, "HIGH").u, 0u);
    EXPECT_TRUE(monitor_out_of_range(q.m, kLow, 2));
    // Channel numbers beyond the range table are not an error, and not stored.
    EXPECT_EQ(q.convert(kRange, 1000, "LOW").u, 1u);
}

TEST(ModuleValueRules, StatesAsTextsOrAsNumbers) {
    Fixture q(kTexts);
    EXPECT_EQ(q.convert(kPol, -1, "-").u, 1u);
    EXPECT_EQ(q.convert(kPol, -1, "+").u, 0u);
    EXPECT_EQ(q.convert(kPol, -1, "garbage").u, 0u);

    Fixture a(kNumbers);
    EXPECT_EQ(a.convert(kPol, 0, "1").u, 1u);
    a.convert(kPol, 0, "-", false);
    EXPECT_EQ(a.convert(kShape, 3, "2").u, 2u);
    a.convert(kShape, 3, "", false);
    Value t = a.convert(kName, 0, "Detector 7");
    EXPECT_EQ(t.type, kText);
    EXPECT_EQ(t.text, "Detector 7");
    EXPECT_EQ(a.convert(kName, 0, std::string(5000, 'x').c_str()).text.size(), 1023u);
}
