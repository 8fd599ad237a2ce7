// W40XX boards through the public interface: rows built from the board's
// descriptors, every read and write path, properties, commands, and the
// board's outputs ramping and tripping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "regaccess_support.h"

namespace {

using Names = std::vector<std::string>;

class W40xx : public ::testing::Test {
protected:
    void TearDown() override {
        stand_in.use_model("");
        stand_in.set_faults("");
    }
    // Opens a board described by a model text (or the built-in one).
    std::unique_ptr<System> open(const std::string& model = "", unsigned base = 0x32100000) {
        stand_in.use_model(model.empty() ? "w40xx" : "");
        if (!model.empty()) stand_in.use_model_text(model);
        auto s = std::make_unique<System>(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, w40xx_arg(base));
        EXPECT_EQ(s->result(), 0);
        return s;
    }
    CommStandIn& stand_in = CommStandIn::get();
};

TEST_F(W40xx, TheBuiltInBoardListsItsParameters) {
    auto s = open();
    const int h = s->handle();
    EXPECT_EQ(board_params(h), (Names{"BdStatus", "SwRelease", "Temp"}));
    EXPECT_EQ(channel_params(h, 11), (Names{"VSet", "ISet", "VMon", "IMon", "RUp", "RDwn", "Trip",
                                            "SVMax", "Pw", "PDwn", "Polarity", "ImonRange", "Status"}));
    char* names = nullptr;
    int n = 0;
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h, 0, 12, &names, &n), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h, 1, 0, &names, &n), ZEVAHV_ERR_OUTOFRANGE);

    unsigned short count = 0;
    ASSERT_EQ(ZEVAHV_GetExecCommList(h, &count, &names), 0);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(names, "ClrAlarm");
    EXPECT_STREQ(names + 9, "Kill");
    ZEVAHV_Free(names);

    const CrateMap map = crate_map(h);
    ASSERT_EQ(map.result, 0);
    EXPECT_EQ(map.slots, 1);
    EXPECT_EQ(map.channels, 12);
    EXPECT_EQ(map.model, "W4012");
    EXPECT_EQ(map.description, "12Ch 4kV 3mA VME HV");
    EXPECT_EQ(map.serial, 1234);
    EXPECT_EQ(map.fw_minor, 5u);
    EXPECT_EQ(map.fw_major, 0u);

    char chname[2][ZEVAHV_MAX_CH_NAME];
    const unsigned short chs[2] = {3, 11};
    ASSERT_EQ(ZEVAHV_GetChName(h, 0, 2, chs, chname), 0);
    EXPECT_STREQ(chname[0], "CH03");
    EXPECT_STREQ(chname[1], "CH011");
}

TEST_F(W40xx, RowsFollowTheDescriptorsAndTheirMasks) {
    auto s = open(w40xx_model(4,
        "param name=VSet type=numeric access=rw offset=0 max=30000 scale=10 unit=volt on=channels\n"
        "param name=Gate type=onoff access=rw offset=2 on=1-2\n"
        "param name=Temp type=numeric access=r offset=4 scale=100 unit=celsius exp=0 on=board init=25.5\n"
        "param name=Hidden type=numeric access=r offset=6 on=none\n"));
    const int h = s->handle();
    EXPECT_EQ(board_params(h), (Names{"Temp"}));
    EXPECT_EQ(channel_params(h, 0), (Names{"VSet"}));
    EXPECT_EQ(channel_params(h, 1), (Names{"VSet", "Gate"}));
    EXPECT_EQ(channel_params(h, 3), (Names{"VSet"}));

    int r = 0;
    get_unsigned(h, "Gate", 0, &r);
    EXPECT_EQ(r, ZEVAHV_ERR_PARAMNOTFOUND) << "not one of channel 0's rows";
    EXPECT_EQ(set_unsigned(h, "Gate", 2, 1), 0);
    EXPECT_EQ(get_unsigned(h, "Gate", 2), 1u);
    get_float(h, "Hidden", 0, &r);
    EXPECT_EQ(r, ZEVAHV_ERR_PARAMNOTFOUND);
    get_board_float(h, "VSet", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_PARAMNOTFOUND) << "a channel row is not the board's";
    EXPECT_FLOAT_EQ(get_board_float(h, "Temp"), 25.5f);
    EXPECT_FLOAT_EQ(property<float>(h, 0, "VSet", "Maxval"), 3000.0f);
    EXPECT_EQ(property<unsigned short>(h, 0, "VSet", "Decimal"), 1);
}

TEST_F(W40xx, ABadDescriptorAreaLeavesRowsOutAndNeverOverruns) {
    // Descriptor 1 is a name of ten characters with no NUL, 2 repeats a
    // name, 3 has a scale of 0; then every other descriptor is in use, with
    // no end marker.
    std::string params =
        "param name=VSet type=numeric access=rw offset=0 scale=10 on=channels\n"
        "param name=TenLetters type=numeric access=r offset=2 on=channels\n"
        "param name=VSet type=numeric access=r offset=4 on=channels\n"
        "param name=Raw type=numeric access=rw offset=6 max=500 scale=0 on=channels\n";
    for (int j = 4; j < 32; ++j)
        params += "param name=P" + std::to_string(j) + " type=raw access=r offset=8 on=channels\n";
    auto s = open(w40xx_model(2, params));
    const int h = s->handle();
    const Names names = channel_params(h, 0);
    ASSERT_EQ(names.size(), 30u);
    EXPECT_EQ(names[0], "VSet");
    EXPECT_EQ(names[1], "Raw");
    EXPECT_EQ(names.back(), "P31");

    EXPECT_EQ(set_float(h, "Raw", 1, 321.4f), 0);
    EXPECT_FLOAT_EQ(get_float(h, "Raw", 1), 321.0f) << "scale 0 shows the raw count";
    EXPECT_FLOAT_EQ(property<float>(h, 1, "Raw", "Maxval"), 500.0f);
    EXPECT_EQ(property<unsigned short>(h, 1, "Raw", "Decimal"), 0);
}

TEST_F(W40xx, ValuesConvertByScaleSignAndWidth) {
    auto s = open(w40xx_model(2,
        "param name=VSet type=numeric access=rw offset=0 max=65535 scale=100 unit=volt on=channels\n"
        "param name=Bias type=numeric access=rw offset=2 signed=1 scale=10 on=channels\n"
        "param name=Count type=numeric access=rw offset=4 wide=1 scale=1 on=channels\n"
        "param name=Mode type=raw access=rw offset=8 on=channels\n"));
    const int h = s->handle();
    auto mark = stand_in.log_mark();
    float v = 123.456f;
    const unsigned short ch1 = 1;
    ASSERT_EQ(ZEVAHV_SetChParam(h, 0, "VSet", 1, &ch1, &v), 0);
    EXPECT_FLOAT_EQ(v, 123.46f) << "the caller's value becomes what was written";
    bool written = false;
    for (const auto& l : stand_in.log_since(mark))
        written = written || l.find(" 0x0100 0x303a -> 0") != std::string::npos;
    EXPECT_TRUE(written) << "12346 at (1 + 1) x 0x80";
    EXPECT_FLOAT_EQ(get_float(h, "VSet", 1), 123.46f);

    EXPECT_EQ(set_float(h, "Bias", 0, -12.35f), 0);
    EXPECT_FLOAT_EQ(get_float(h, "Bias", 0), -12.4f) << "halves away from zero";
    EXPECT_EQ(set_float(h, "Count", 0, 100000.0f), 0);
    EXPECT_FLOAT_EQ(get_float(h, "Count", 0), 100000.0f) << "two registers, one 32-bit write";
    EXPECT_EQ(set_unsigned(h, "Mode", 0, 0xBEEF), 0);
    EXPECT_EQ(get_unsigned(h, "Mode", 0), 0xBEEFu);

    // Values that do not fit their register change nothing.
    mark = stand_in.log_mark();
    EXPECT_EQ(set_float(h, "VSet", 0, -1.0f), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(set_float(h, "VSet", 0, 700.0f), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(set_float(h, "Bias", 0, 4000.0f), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(set_float(h, "VSet", 0, NAN), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(set_unsigned(h, "Mode", 0, 0x10000), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(stand_in.count_since(mark, "write"), 0);
}

TEST_F(W40xx, ChannelListsAreCheckedBeforeAnyWrite) {
    auto s = open();
    const int h = s->handle();
    ASSERT_EQ(set_float(h, "VSet", 0, 10.0f), 0);
    const unsigned short chs[3] = {0, 1, 12};
    float v = 20.0f;
    EXPECT_EQ(ZEVAHV_SetChParam(s->handle(), 0, "VSet", 3, chs, &v), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_FLOAT_EQ(get_float(h, "VSet", 0), 10.0f);
    float out[3];
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VSet", 3, chs, out), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(ZEVAHV_GetChParam(h, 1, "VSet", 1, chs, out), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VSet", 0, chs, out), 0);
}

TEST_F(W40xx, AccessRulesAndCommands) {
    auto s = open();
    const int h = s->handle();
    int r = 0;
    EXPECT_EQ(set_float(h, "VMon", 0, 1.0f), ZEVAHV_ERR_WRITE);
    EXPECT_EQ(set_float(h, "NoSuch", 0, 1.0f), ZEVAHV_ERR_PARAMNOTFOUND);
    get_float(h, "Kill", 0, &r);
    EXPECT_EQ(r, ZEVAHV_ERR_READ) << "a command is not read";
    EXPECT_EQ(ZEVAHV_ExecComm(h, "VSet"), ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_EQ(ZEVAHV_ExecComm(h, "NoSuch"), ZEVAHV_ERR_PARAMNOTFOUND);

    const unsigned short slot0 = 0, slot1 = 1;
    float sw = 0;
    ASSERT_EQ(ZEVAHV_GetBdParam(h, 1, &slot0, "SwRelease", &sw), 0);
    EXPECT_FLOAT_EQ(sw, 1.05f);
    EXPECT_EQ(ZEVAHV_GetBdParam(h, 1, &slot1, "SwRelease", &sw), ZEVAHV_ERR_OUTOFRANGE);
    float t = 20;
    EXPECT_EQ(ZEVAHV_SetBdParam(h, 1, &slot0, "Temp", &t), ZEVAHV_ERR_WRITE);

    EXPECT_EQ(property<unsigned>(h, 0, "VSet", "Mode"), unsigned(ZEVAHV_PARAM_MODE_RDWR));
    EXPECT_EQ(property<unsigned>(h, 0, "Status", "Type"), unsigned(ZEVAHV_PARAM_TYPE_CHSTATUS));
    EXPECT_EQ(property<short>(h, 0, "IMon", "Exp"), -6);
    EXPECT_EQ(property<unsigned short>(h, 0, "IMon", "Decimal"), 3);
    char text[32] = {};
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "PDwn", "Offstate", text), 0);
    EXPECT_STREQ(text, "Kill");
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "ImonRange", "Onstate", text), 0);
    EXPECT_STREQ(text, "Low");
    property<unsigned>(h, 0, "VSet", "Sign", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_PARAMPROPNOTFOUND);
    property<unsigned>(h, 12, "VSet", "Type", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_OUTOFRANGE);
}

TEST_F(W40xx, OutputsRampTripAndClear) {
    auto s = open("", 0x11000000);
    const int h = s->handle();
    ASSERT_EQ(set_float(h, "RUp", 2, 500.0f), 0);
    ASSERT_EQ(set_float(h, "VSet", 2, 100.0f), 0);
    ASSERT_EQ(set_unsigned(h, "Pw", 2, 1), 0);
    EXPECT_TRUE(wait_until([&] { return std::fabs(get_float(h, "VMon", 2) - 100.0f) < 0.05f; }));
    EXPECT_NEAR(get_float(h, "IMon", 2), 1.0f, 0.001f) << "100 V over 100 MOhm";
    EXPECT_EQ(get_unsigned(h, "Status", 2) & 1u, 1u);

    // A current limit below the load's current trips the channel at once.
    ASSERT_EQ(set_float(h, "Trip", 2, 0.0f), 0);
    ASSERT_EQ(set_float(h, "ISet", 2, 0.5f), 0);
    EXPECT_TRUE(wait_until([&] { return (get_unsigned(h, "Status", 2) & 0x80u) != 0; }));
    EXPECT_EQ(get_unsigned(h, "Pw", 2), 0u);
    EXPECT_EQ(get_board_unsigned(h, "BdStatus") & (1u << 2), 1u << 2);
    ASSERT_EQ(ZEVAHV_ExecComm(h, "ClrAlarm"), 0);
    EXPECT_EQ(get_board_unsigned(h, "BdStatus"), 0u);

    ASSERT_EQ(set_float(h, "ISet", 2, 100.0f), 0);
    ASSERT_EQ(set_unsigned(h, "Pw", 2, 1), 0);
    ASSERT_EQ(ZEVAHV_ExecComm(h, "Kill"), 0);
    EXPECT_EQ(get_unsigned(h, "Pw", 2), 0u);
    EXPECT_FLOAT_EQ(get_float(h, "VMon", 2), 0.0f) << "killed, not ramped down";
}

TEST_F(W40xx, FailedRegisterAccessesGiveCodes) {
    auto s = open();
    const int h = s->handle();
    int r = 0;
    stand_in.set_faults("read16 addr=0x0084\nread32\nwrite16\nwrite32\n");
    get_float(h, "VMon", 0, &r);  // channel 0's VMon at 0x80 + 4
    EXPECT_EQ(r, ZEVAHV_ERR_READ);
    get_float(h, "IMon", 0, &r);
    EXPECT_EQ(r, ZEVAHV_ERR_READ);
    EXPECT_EQ(set_float(h, "VSet", 0, 5.0f), ZEVAHV_ERR_READ);
    EXPECT_EQ(ZEVAHV_ExecComm(h, "ClrAlarm"), ZEVAHV_ERR_READ);
    get_float(h, "VMon", 1, &r);
    EXPECT_EQ(r, 0) << "only the faulty register fails";
    stand_in.set_faults("");
    EXPECT_EQ(set_float(h, "VSet", 0, 5.0f), 0);
    get_float(h, "VMon", 0, &r);
    EXPECT_EQ(r, 0);
}

}  // namespace
