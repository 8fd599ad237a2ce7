// RD40XX desktop units through the public interface: the query pass that
// sets the scaling, the control bits, the current-monitor range rule, and
// the answers of a family without board parameters.
#include <gtest/gtest.h>

#include <cmath>

#include "regaccess_support.h"

namespace {

class Rd40xx : public ::testing::Test {
protected:
    void TearDown() override {
        stand_in.use_model("");
        stand_in.set_faults("");
    }
    CommStandIn& stand_in = CommStandIn::get();
};

TEST_F(Rd40xx, TheQueryPassSetsEachRowsScaling) {
    stand_in.use_model_text(
        "kind rd40xx\nfirmware 0x00120704\n"
        "query selector=0xB0 scale=10 min=0 max=40000\n"
        "query selector=0xB1 scale=0x83E8 min=10 max=3000\n"   // resolution 1000, micro
        "query selector=0xB2 scale=0 min=1 max=255\n"          // no resolution: raw
        "query selector=0xB3 scale=1 min=0 max=4100\n"
        "query selector=0xB4 scale=10 min=0 max=41000\n"
        "query selector=0xB5 scale=0x4064 min=0 max=65535\n"   // resolution 100, milli
        "poke 0x1034 0x0002\n");
    const auto mark = stand_in.log_mark();
    System s(ZEVAHV_SYS_RD40XX, ZEVAHV_LINK_USB, "0_0");
    ASSERT_EQ(s.result(), 0);
    const int h = s.handle();

    // One query per selector (RampUp and RampDwn share 0xB2, IMonL and IMonH
    // 0xB5), then the control register as it was.
    std::vector<std::string> writes;
    for (const auto& l : stand_in.log_since(mark))
        if (l.rfind("write16", 0) == 0) writes.push_back(l.substr(l.find("0x1034")));
    EXPECT_EQ(writes, (std::vector<std::string>{"0x1034 0x00b0 -> 0", "0x1034 0x00b1 -> 0",
                                                "0x1034 0x00b4 -> 0", "0x1034 0x00b5 -> 0",
                                                "0x1034 0x00b2 -> 0", "0x1034 0x00b3 -> 0",
                                                "0x1034 0x0002 -> 0"}));

    EXPECT_EQ(property<unsigned short>(h, 0, "VSet", "Decimal"), 1);
    EXPECT_FLOAT_EQ(property<float>(h, 0, "VSet", "Maxval"), 4000.0f);
    EXPECT_EQ(property<short>(h, 0, "ISet", "Exp"), -6);
    EXPECT_EQ(property<unsigned short>(h, 0, "ISet", "Decimal"), 3);
    EXPECT_FLOAT_EQ(property<float>(h, 0, "ISet", "Minval"), 0.01f);
    EXPECT_FLOAT_EQ(property<float>(h, 3, "RampDwn", "Maxval"), 255.0f);
    EXPECT_EQ(property<short>(h, 1, "IMonH", "Exp"), -3);
    EXPECT_EQ(property<unsigned short>(h, 0, "VSet", "Unit"), ZEVAHV_PARAM_UN_VOLT);

    const CrateMap map = crate_map(h);
    ASSERT_EQ(map.result, 0);
    EXPECT_EQ(map.channels, 4);
    EXPECT_EQ(map.model, "RD40XX");
    EXPECT_EQ(map.description, "04.07 build 12");
    EXPECT_EQ(map.fw_major, 4u);
    EXPECT_EQ(map.fw_minor, 7u);
    EXPECT_EQ(map.serial, 0);

    // Values through the resolutions read above.
    ASSERT_EQ(set_float(h, "ISet", 1, 2.3456f), 0);
    EXPECT_FLOAT_EQ(get_float(h, "ISet", 1), 2.346f);
    ASSERT_EQ(set_float(h, "RampUp", 1, 77.4f), 0);
    EXPECT_FLOAT_EQ(get_float(h, "RampUp", 1), 77.0f);
    EXPECT_EQ(set_float(h, "VSet", 1, 7000.0f), ZEVAHV_ERR_OUTOFRANGE) << "beyond 16 bits";
}

TEST_F(Rd40xx, ControlBitsRangeRuleAndRamp) {
    // Channel 2 starts in the low current range.
    stand_in.use_model_text(std::string("kind rd40xx\nfirmware 0x01\n") +
                            "query selector=0xB0 scale=10 min=0 max=40000\n"
                            "query selector=0xB1 scale=0x800A min=0 max=30000\n"
                            "query selector=0xB2 scale=1 min=1 max=500\n"
                            "query selector=0xB3 scale=1 min=0 max=4100\n"
                            "query selector=0xB4 scale=10 min=0 max=41000\n"
                            "query selector=0xB5 scale=0x8064 min=0 max=65535\n"
                            "poke 0x1234 0x0006\n");
    System s(ZEVAHV_SYS_RD40XX, ZEVAHV_LINK_USB3, "4_0");
    ASSERT_EQ(s.result(), 0);
    const int h = s.handle();

    EXPECT_EQ(get_unsigned(h, "IMRange", 2), 1u);
    EXPECT_EQ(get_unsigned(h, "PDwn", 2), 1u);
    EXPECT_EQ(get_unsigned(h, "IMRange", 1), 0u);

    ASSERT_EQ(set_float(h, "RampUp", 2, 500.0f), 0);
    ASSERT_EQ(set_float(h, "VSet", 2, 200.0f), 0);
    ASSERT_EQ(set_unsigned(h, "Pw", 2, 1), 0);
    EXPECT_EQ(get_unsigned(h, "IMRange", 2), 1u) << "switching power keeps the other bits";
    EXPECT_EQ(get_unsigned(h, "PDwn", 2), 1u);
    EXPECT_TRUE(wait_until([&] { return std::fabs(get_float(h, "VMon", 2) - 200.0f) < 0.05f; }));
    EXPECT_EQ(get_unsigned(h, "Status", 2) & 1u, 1u);

    // 200 V over 100 MOhm: 2 uA, shown only in the range the channel is in.
    EXPECT_NEAR(get_float(h, "IMonL", 2), 2.0f, 0.01f);
    EXPECT_FLOAT_EQ(get_float(h, "IMonH", 2), 0.0f);
    ASSERT_EQ(set_unsigned(h, "IMRange", 2, 0), 0);
    EXPECT_FLOAT_EQ(get_float(h, "IMonL", 2), 0.0f);
    EXPECT_NEAR(get_float(h, "IMonH", 2), 2.0f, 0.01f);
    EXPECT_EQ(get_unsigned(h, "Pw", 2), 1u);
    ASSERT_EQ(set_unsigned(h, "Pw", 2, 0), 0);
    EXPECT_EQ(get_unsigned(h, "Pw", 2), 0u);
}

TEST_F(Rd40xx, ErrorsAndTheAnswersOfAUnitWithoutBoardParameters) {
    stand_in.use_model("rd40xx");  // on the optical link the stand-in's default is a board
    System s(ZEVAHV_SYS_RD40XX, ZEVAHV_LINK_OPTLINK, "0_3");
    ASSERT_EQ(s.result(), 0);
    const int h = s.handle();
    int r = 0;
    EXPECT_EQ(set_float(h, "VMon", 0, 1.0f), ZEVAHV_ERR_WRITE);
    EXPECT_EQ(set_float(h, "Nope", 0, 1.0f), ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_EQ(set_float(h, "VSet", 4, 1.0f), ZEVAHV_ERR_OUTOFRANGE);
    get_float(h, "VSet", 4, &r);
    EXPECT_EQ(r, ZEVAHV_ERR_OUTOFRANGE);

    stand_in.set_faults("write16\n");
    EXPECT_EQ(set_float(h, "VSet", 0, 1.0f), ZEVAHV_ERR_WRITE);
    EXPECT_EQ(set_unsigned(h, "Pw", 0, 1), ZEVAHV_ERR_WRITE);
    stand_in.set_faults("read16 addr=0x1134\n");
    EXPECT_EQ(set_unsigned(h, "Pw", 1, 1), ZEVAHV_ERR_WRITE) << "the read of a read-modify-write";
    get_unsigned(h, "PDwn", 1, &r);
    EXPECT_EQ(r, ZEVAHV_ERR_READ);
    stand_in.set_faults("");

    EXPECT_TRUE(board_params(h).empty());
    EXPECT_EQ(channel_params(h, 3).size(), 12u);
    get_board_float(h, "VSet", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_PARAMNOTFOUND);
    const unsigned short slot = 0;
    float v = 1;
    EXPECT_EQ(ZEVAHV_SetBdParam(h, 1, &slot, "VSet", &v), 0);
    EXPECT_EQ(ZEVAHV_ExecComm(h, "Kill"), ZEVAHV_ERR_EXECNOTAVAIL);
    unsigned short count = 7;
    char* names = nullptr;
    EXPECT_EQ(ZEVAHV_GetExecCommList(h, &count, &names), 0);
    EXPECT_EQ(count, 0);
    ZEVAHV_Free(names);
}

}  // namespace
