// The KQPS power supply: its own line language over TCP only, "%f" writes
// acknowledged with "#AK", power as bare commands and bit 0 of MST, and a
// table of 48 systems.
#include "family_session.h"

namespace {

class Kqps : public ::testing::Test {
protected:
    void SetUp() override {
        sim_ = start_device("kqps", Via::Tcp, {"--fwrel", "2.7"});
        ASSERT_EQ(open_on(sys_, ZEVAHV_SYS_KQPS, *sim_, Via::Tcp), 0);
    }
    int h() const { return sys_.handle(); }
    std::unique_ptr<SimProcess> sim_;
    OpenSystem sys_;
};

TEST_F(Kqps, OpensWithItsOwnIdentificationWords) {
    const CrateMap c = crate_map(h());
    EXPECT_EQ(c.model, "KQPS300-30");
    EXPECT_EQ(c.channels, 1);
    EXPECT_EQ(c.fw_major, 2);
    EXPECT_EQ(c.fw_minor, 7);
    const std::vector<std::string> lines = received(*sim_);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "MRID:?");
    EXPECT_EQ(lines[1], "VER:?");
    EXPECT_EQ(commands_with(*sim_, {"BDNCH"}), 0) << "the channel count is never asked";
    EXPECT_EQ(board_params(h()), (std::vector<std::string>{"Loop", "IGC", "Temp", "TempIGBT",
                                                           "TempHF", "UpMode", "ClearAlar"}));
    EXPECT_EQ(channel_params(h(), 0),
              (std::vector<std::string>{"VSet", "VMon", "ISet", "IMon", "ISetDir", "VSetDir",
                                        "IRamp", "VRamp", "ChStatus", "Pw"}));
    int rc = -1;
    EXPECT_EQ(prop_ushort(h(), 0, "IRamp", "Unit", &rc), 12) << "ampere per second";
    EXPECT_FLOAT_EQ(prop_float(h(), 0, "VSet", "Maxval", &rc), 300);
    EXPECT_EQ(prop_ushort(h(), 0, "ISet", "Decimal", &rc), 3);
    const unsigned short ch1 = 1;
    float v = 0;
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "VSet", 1, &ch1, &v), ZEVAHV_ERR_OUTOFRANGE);
}

TEST_F(Kqps, WritesAreAcknowledgedAndPowerIsTheStatusWord) {
    const unsigned short ch = 0;
    float v = 12.5f;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), 0);
    EXPECT_EQ(received(*sim_).back(), "MWVR:12.500000");
    EXPECT_FLOAT_EQ(get_float(h(), "VSet", ch), 12.5f);
    EXPECT_EQ(received(*sim_).back(), "MWVR:?");
    float amps = 2;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "ISetDir", 1, &ch, &amps), 0);
    EXPECT_EQ(received(*sim_).back(), "MWI:2.000000");

    unsigned on = 1, off = 0;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 1, &ch, &on), 0);
    EXPECT_EQ(received(*sim_).back(), "MON");
    EXPECT_EQ(get_uint(h(), "Pw", ch), 1u);
    EXPECT_EQ(received(*sim_).back(), "MST:?");
    EXPECT_EQ(get_uint(h(), "ChStatus", ch) & 1u, 1u);
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 1, &ch, &off), 0);
    EXPECT_EQ(received(*sim_).back(), "MOFF");
    EXPECT_EQ(get_uint(h(), "Pw", ch), 0u);

    unsigned loop = 1;
    ASSERT_EQ(set_board(h(), "Loop", &loop), 0);
    EXPECT_EQ(received(*sim_).back(), "LOOP:I");
    unsigned state = 9;
    ASSERT_EQ(get_board(h(), "Loop", &state), 0);
    EXPECT_EQ(state, 1u);
    float t = -1;
    ASSERT_EQ(get_board(h(), "TempIGBT", &t), 0);
    EXPECT_EQ(received(*sim_).back(), "MRT:1:?");
    EXPECT_GT(t, 0.0f);

    EXPECT_EQ(exec_commands(h()), (std::vector<std::string>{"ClearAlarm"}));
    ASSERT_EQ(ZEVAHV_ExecComm(h(), "ClearAlarm"), 0);
    EXPECT_EQ(received(*sim_).back(), "MRESET");

    // A write the supply does not acknowledge fails.
    ASSERT_EQ(sim_->control("fault-once wrong-board").rfind("OK", 0), 0u);
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), ZEVAHV_ERR_WRITE) << "#XAK";
    float too_high = 400;
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &too_high), ZEVAHV_ERR_WRITE) << "#NAK";
    // A reply naming another word is no answer.
    ASSERT_EQ(sim_->control("fault-once wrong-board").rfind("OK", 0), 0u);
    int rc = -1;
    get_float(h(), "VMon", ch, &rc);
    EXPECT_EQ(rc, ZEVAHV_ERR_READ);
    EXPECT_FLOAT_EQ(get_float(h(), "VSet", ch, &rc), 12.5f);
    EXPECT_EQ(rc, 0);
}

// TCP only: a serial argument is refused without touching any port.  And a
// release that is not "a.b.c" is not a supply's.
TEST(KqpsLinks, OpeningOverASerialPortOrWithAShortReleaseFails) {
    OpenSystem sys;
    EXPECT_EQ(sys.open(ZEVAHV_SYS_KQPS, ZEVAHV_LINK_USBVCP, "/dev/null_9600_8_0_0"),
              ZEVAHV_ERR_OPENFAILED);
    auto sim = start_device("kqps", Via::Tcp);
    ASSERT_EQ(sim->control("set 0 VER -1 1.2").rfind("OK", 0), 0u);
    EXPECT_EQ(open_on(sys, ZEVAHV_SYS_KQPS, *sim, Via::Tcp), ZEVAHV_ERR_OPENFAILED);
    ASSERT_EQ(sim->control("set 0 VER -1 1.2.3").rfind("OK", 0), 0u);
    EXPECT_EQ(open_on(sys, ZEVAHV_SYS_KQPS, *sim, Via::Tcp), 0);
}

// The family keeps 48 systems (every other text family 32): systems on one
// supply under different address texts share its connection.
TEST(KqpsLinks, FortyEightSystemsAndNoMore) {
    auto sim = start_device("kqps", Via::Tcp);
    std::vector<std::unique_ptr<OpenSystem>> open;
    for (int i = 0; i < 48; ++i) {
        open.push_back(std::make_unique<OpenSystem>());
        ASSERT_EQ(open_on(*open.back(), ZEVAHV_SYS_KQPS, *sim, Via::Tcp, "_" + std::to_string(i)),
                  0)
            << i;
    }
    OpenSystem one_more;
    EXPECT_EQ(open_on(one_more, ZEVAHV_SYS_KQPS, *sim, Via::Tcp, "_48"), ZEVAHV_ERR_OPENFAILED);
    int rc = -1;
    get_float(open[47]->handle(), "VMon", 0, &rc);
    EXPECT_EQ(rc, 0);
    open.pop_back();
    EXPECT_EQ(open_on(one_more, ZEVAHV_SYS_KQPS, *sim, Via::Tcp, "_48"), 0);
}

} // namespace
