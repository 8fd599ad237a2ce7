// Values shown from a parameter's properties, and typed words turned into
// the bytes of a set call.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ZEVAHVLink.h"
#include "failure.h"
#include "values.h"

namespace zcli {
namespace {

ParamInfo number(float min, float max, unsigned decimals, int unit = 0, int exp = 0) {
    ParamInfo p;
    p.name = "VSet";
    p.type = ZEVAHV_PARAM_TYPE_NUMERIC;
    p.mode = ZEVAHV_PARAM_MODE_RDWR;
    p.min = min;
    p.max = max;
    p.decimals = decimals;
    p.unit = unit;
    p.exp = exp;
    return p;
}

ParamInfo choice(std::vector<std::string> texts) {
    ParamInfo p;
    p.name = "Gain";
    p.type = ZEVAHV_PARAM_TYPE_ENUM;
    p.min = 0;
    p.max = static_cast<float>(texts.size() - 1);
    p.choices = std::move(texts);
    return p;
}

ParamInfo state(std::string on, std::string off) {
    ParamInfo p;
    p.name = "Pw";
    p.type = ZEVAHV_PARAM_TYPE_ONOFF;
    p.on_text = std::move(on);
    p.off_text = std::move(off);
    return p;
}

Shown show_float(const ParamInfo& p, float f) { return show_value(p, &f, sizeof f); }
Shown show_uint(const ParamInfo& p, unsigned u) { return show_value(p, &u, sizeof u); }

float as_float(const std::vector<unsigned char>& b) {
    float f;
    std::memcpy(&f, b.data(), 4);
    return f;
}
unsigned as_uint(const std::vector<unsigned char>& b) {
    unsigned u;
    std::memcpy(&u, b.data(), 4);
    return u;
}

// The exit code and library code of a refused word, {-1, -1} if accepted.
std::pair<int, int> refusal(const ParamInfo& p, const std::string& word) {
    try {
        encode_value(p, word);
    } catch (const Failure& f) {
        return {f.exit_code(), f.code()};
    }
    return {-1, -1};
}

TEST(ShowValue, NumbersWithTheirDecimalsAndUnit) {
    Shown v = show_float(number(0, 8000, 1, ZEVAHV_PARAM_UN_VOLT), 100.2f);
    EXPECT_EQ(v.text, "100.2 V");
    EXPECT_DOUBLE_EQ(v.value.get<double>(), 100.2);  // not 100.19999694824219
    Shown i = show_float(number(0, 3000, 2, ZEVAHV_PARAM_UN_AMPERE, -6), 3.0f);
    EXPECT_EQ(i.text, "3.00 uA");
    Shown whole = show_float(number(0, 255, 0), 7.0f);
    EXPECT_EQ(whole.text, "7");
    EXPECT_TRUE(whole.value.is_number_integer());
    Shown nan = show_float(number(0, 1, 0), std::nanf(""));
    EXPECT_TRUE(nan.value.is_null());
    EXPECT_EQ(nan.text, "nan");
}

// A system that gives no decimals (a crate supply's monitors) must not have
// its values rounded to whole numbers: 3.3 V is shown as 3.3 V.
TEST(ShowValue, NumbersWithoutDecimalsKeepTheirDigits) {
    ParamInfo p = number(3, 4.5f, 0, ZEVAHV_PARAM_UN_VOLT);
    p.decimals.reset();
    Shown v = show_float(p, 3.3f);
    EXPECT_EQ(v.text, "3.3 V");
    EXPECT_DOUBLE_EQ(v.value.get<double>(), 3.3);
    EXPECT_EQ(show_float(p, 12.0f).text, "12 V");
}

TEST(ShowValue, StatesChoicesStatusAndText) {
    EXPECT_EQ(show_uint(state("On", "Off"), 1).text, "On");
    EXPECT_EQ(show_uint(state("On", "Off"), 0).text, "Off");
    EXPECT_EQ(show_uint(state("On", "Off"), 7).text, "7");  // no such state: the number

    ParamInfo shape = choice({"200", "400", "800"});
    shape.unit = ZEVAHV_PARAM_UN_SECOND;
    shape.exp = -9;
    Shown s = show_uint(shape, 2);
    EXPECT_EQ(s.text, "800 ns");
    EXPECT_EQ(s.value, 2);
    EXPECT_EQ(show_uint(shape, 9).text, "#9");  // beyond the list: the index

    ParamInfo status;
    status.type = ZEVAHV_PARAM_TYPE_CHSTATUS;
    EXPECT_EQ(show_uint(status, 5).text, "0x0005");

    ParamInfo text;
    text.type = ZEVAHV_PARAM_TYPE_STRING;
    char unterminated[4] = {'A', 'B', 'C', 'D'};
    EXPECT_EQ(show_value(text, unterminated, sizeof unterminated).text, "ABCD");
}

TEST(UnitText, PrefixesAndUnits) {
    EXPECT_EQ(unit_text(ZEVAHV_PARAM_UN_VOLT, 0), "V");
    EXPECT_EQ(unit_text(ZEVAHV_PARAM_UN_AMPERE, -6), "uA");
    EXPECT_EQ(unit_text(ZEVAHV_PARAM_UN_SECOND, -9), "ns");
    EXPECT_EQ(unit_text(ZEVAHV_PARAM_UN_VPS, 0), "V/s");
    EXPECT_EQ(unit_text(ZEVAHV_PARAM_UN_CELSIUS, 0), "°C");
    EXPECT_EQ(unit_text(ZEVAHV_PARAM_UN_NONE, -6), "");
    EXPECT_EQ(unit_text(99, 0), "");
    EXPECT_EQ(unit_text(ZEVAHV_PARAM_UN_VOLT, -2), "e-2 V");
}

TEST(EncodeValue, NumbersWithinTheRangeOnly) {
    ParamInfo v = number(0, 8000, 1);
    EXPECT_FLOAT_EQ(as_float(encode_value(v, "1500.5")), 1500.5f);
    EXPECT_FLOAT_EQ(as_float(encode_value(v, "8000")), 8000.0f);
    EXPECT_EQ(refusal(v, "8000.1"), std::make_pair(int(kExitBadValue), ZEVAHV_ERR_OUTOFRANGE));
    EXPECT_EQ(refusal(v, "-1"), std::make_pair(int(kExitBadValue), ZEVAHV_ERR_OUTOFRANGE));
    for (const char* junk : {"", "12abc", " 5", "nan", "inf", "1e999", "0x"})
        EXPECT_EQ(refusal(v, junk).first, kExitBadValue) << junk;
    // Without a range (both limits equal) the library and the device decide.
    EXPECT_FLOAT_EQ(as_float(encode_value(number(0, 0, 0), "12345")), 12345.0f);
}

TEST(EncodeValue, ChoicesByTextOrMarkedIndex) {
    ParamInfo gain = choice({"1", "2", "4", "8", "16"});
    EXPECT_EQ(as_uint(encode_value(gain, "4")), 2u);   // the text, not index 4
    EXPECT_EQ(as_uint(encode_value(gain, "#4")), 4u);  // the index
    EXPECT_EQ(refusal(gain, "3").first, kExitBadValue);  // no gain 3, and no silent index 3
    EXPECT_EQ(refusal(gain, "#5"), std::make_pair(int(kExitBadValue), ZEVAHV_ERR_OUTOFRANGE));

    ParamInfo mux = choice({"Disable", "Slow Enabled", "FAUX Enabled"});
    EXPECT_EQ(as_uint(encode_value(mux, "slow enabled")), 1u);
    EXPECT_EQ(as_uint(encode_value(mux, "2")), 2u);  // texts are words: numbers are indexes
    EXPECT_EQ(refusal(mux, "3").second, ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(refusal(mux, "Enabled").first, kExitBadValue);
}

TEST(EncodeValue, StatesTextsAndWords) {
    ParamInfo pw = state("On", "Off");
    EXPECT_EQ(as_uint(encode_value(pw, "ON")), 1u);
    EXPECT_EQ(as_uint(encode_value(pw, "off")), 0u);
    EXPECT_EQ(as_uint(encode_value(pw, "1")), 1u);
    EXPECT_EQ(refusal(pw, "2").first, kExitBadValue);
    EXPECT_EQ(refusal(pw, "yes").first, kExitBadValue);

    ParamInfo text;
    text.name = "Name";
    text.type = ZEVAHV_PARAM_TYPE_STRING;
    auto bytes = encode_value(text, "Det-3");
    ASSERT_GE(bytes.size(), 1024u);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()), "Det-3");
    EXPECT_EQ(refusal(text, std::string(1024, 'x')).first, kExitBadValue);

    ParamInfo raw;
    raw.type = ZEVAHV_PARAM_TYPE_BINARY;
    EXPECT_EQ(as_uint(encode_value(raw, "0x1A")), 26u);
    EXPECT_EQ(refusal(raw, "4294967296").first, kExitBadValue);
    EXPECT_EQ(refusal(raw, "-1").first, kExitBadValue);
}

}  // namespace
}  // namespace zcli
