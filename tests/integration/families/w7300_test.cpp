// The W7300 crate power supply: crate values as board parameters, limits
// and resolutions read from the crate when asked, crate power and commands
// as bare words, channel names as text values, and the serial port given by
// its number or as a device path.
#include <cstring>

#include "family_session.h"

namespace {

class W7300 : public ::testing::Test {
protected:
    void SetUp() override {
        sim_ = start_device("w7300", Via::Tcp, {"--serial", "321", "--fwrel", "3.1"});
        ASSERT_EQ(open_on(sys_, ZEVAHV_SYS_W7300, *sim_, Via::Tcp), 0);
    }
    int h() const { return sys_.handle(); }
    std::unique_ptr<SimProcess> sim_;
    OpenSystem sys_;
};

TEST_F(W7300, OpensAsACrateWithItsOutputsAsChannels) {
    const CrateMap c = crate_map(h());
    EXPECT_EQ(c.model, "W7300");
    EXPECT_EQ(c.channels, 8);
    EXPECT_EQ(c.serial, 321);
    EXPECT_EQ(c.fw_major, 3);
    EXPECT_EQ(c.fw_minor, 1);
    const std::vector<std::string> lines = received(*sim_);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
              (std::vector<std::string>{"$CMD:MON,PAR:CRNAME", "$CMD:MON,PAR:NUMCH",
                                        "$CMD:MON,PAR:PSFREL", "$CMD:MON,PAR:PSSNUM"}));
    EXPECT_EQ(lines.size(), 4u) << "nothing is fetched at open";

    const std::vector<std::string> crate = board_params(h());
    EXPECT_EQ(crate.size(), 21u);
    EXPECT_EQ(crate.front(), "Temp");
    EXPECT_EQ(crate.back(), "ClrAlrm");
    EXPECT_EQ(channel_params(h(), 7),
              (std::vector<std::string>{"Name", "VSet", "VMon", "ISet", "IMon", "Ovp", "Uvp",
                                        "Status"}));
    EXPECT_EQ(exec_commands(h()), (std::vector<std::string>{"SysRes", "ClrAlrm"}));

    char ip[64] = {};
    ASSERT_EQ(get_board(h(), "IPAddr", ip), 0);
    EXPECT_STREQ(ip, "127.0.0.1");
    float temp = -1;
    ASSERT_EQ(get_board(h(), "Temp", &temp), 0);
    EXPECT_GT(temp, 0.0f);
}

TEST_F(W7300, PropertiesAreTheCratesAndLimitsAreReadWhenAsked) {
    int rc = -1;
    // Crate parameters: type, mode and state texts only.
    EXPECT_EQ(prop_uint(h(), -1, "Temp", "Type", &rc), 0u);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(prop_uint(h(), -1, "FanSpeed", "Mode", &rc), 2u);
    EXPECT_EQ(prop_text(h(), -1, "Pw", "Onstate", &rc), "On");
    EXPECT_EQ(rc, 0);
    prop_text(h(), -1, "Temp", "Onstate", &rc);
    EXPECT_EQ(rc, ZEVAHV_ERR_PARAMPROPNOTFOUND) << "no state texts";
    for (const char* p : {"Minval", "Maxval", "Unit", "Decimal", "Exp", "Sign"}) {
        prop_float(h(), -1, "Temp", p, &rc);
        EXPECT_EQ(rc, ZEVAHV_ERR_PARAMPROPNOTFOUND) << p;
    }

    // Channel limits come from the crate at the time of the call.
    EXPECT_FLOAT_EQ(prop_float(h(), 3, "VSet", "Maxval", &rc), 13.2f);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:MON,CH:3,PAR:VMAX");
    ASSERT_EQ(sim_->control("set 0 VMAX 3 12.8").rfind("OK", 0), 0u);
    EXPECT_FLOAT_EQ(prop_float(h(), 3, "VSet", "Maxval", &rc), 12.8f);
    EXPECT_FLOAT_EQ(prop_float(h(), 3, "VMon", "Minval", &rc), 9.6f);
    EXPECT_FLOAT_EQ(prop_float(h(), 0, "ISet", "Maxval", &rc), 100.0f);
    EXPECT_EQ(received(*sim_).back(), "$CMD:MON,CH:0,PAR:IMAX");
    // "Resol" in place of "Decimal".
    EXPECT_EQ(prop_ushort(h(), 2, "VSet", "Resol", &rc), 2);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(prop_ushort(h(), 2, "ISet", "Resol", &rc), 1);
    prop_ushort(h(), 2, "VMon", "Resol", &rc);
    EXPECT_EQ(rc, ZEVAHV_ERR_PARAMPROPNOTFOUND);
    prop_ushort(h(), 2, "VSet", "Decimal", &rc);
    EXPECT_EQ(rc, ZEVAHV_ERR_PARAMPROPNOTFOUND);
    prop_float(h(), 2, "Ovp", "Minval", &rc);
    EXPECT_EQ(rc, ZEVAHV_ERR_PARAMPROPNOTFOUND);
    EXPECT_EQ(prop_ushort(h(), 2, "ISet", "Unit", &rc), ZEVAHV_PARAM_UN_AMPERE);
    EXPECT_EQ(prop_uint(h(), 2, "Name", "Type", &rc), 5u);

    // A crate that does not answer: the limit is a read failure, the
    // resolution not there.
    ASSERT_EQ(sim_->control("fault-once garbage").rfind("OK", 0), 0u);
    prop_float(h(), 3, "VSet", "Maxval", &rc);
    EXPECT_EQ(rc, ZEVAHV_ERR_READ);
    ASSERT_EQ(sim_->control("fault-once garbage").rfind("OK", 0), 0u);
    prop_ushort(h(), 3, "VSet", "Resol", &rc);
    EXPECT_EQ(rc, ZEVAHV_ERR_PARAMPROPNOTFOUND);
}

TEST_F(W7300, SetPointsCratePowerAndCommands) {
    const unsigned short ch = 3;  // a 12 V output
    float v = 12.5f;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:3,PAR:VSET,VAL:12.50");
    EXPECT_FLOAT_EQ(get_float(h(), "VSet", ch), 12.5f);
    float i = 20;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "ISet", 1, &ch, &i), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:3,PAR:ISET,VAL:20.0");
    float high = 50;  // beyond the output's own limit
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &high), ZEVAHV_ERR_WRITE);

    // Crate power: the bare words ON and OFF, read back as On/Off.
    unsigned on = 1, off = 0, state = 99;
    ASSERT_EQ(set_board(h(), "Pw", &on), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,PAR:ON");
    ASSERT_EQ(get_board(h(), "Pw", &state), 0);
    EXPECT_EQ(state, 1u);
    EXPECT_EQ(received(*sim_).back(), "$CMD:MON,PAR:Pw");
    ASSERT_EQ(set_board(h(), "Pw", &off), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,PAR:OFF") << "switching off must reach the crate";
    ASSERT_EQ(get_board(h(), "Pw", &state), 0);
    EXPECT_EQ(state, 0u);

    // Commands: sent only for a non-zero value, never with a value.
    const std::size_t lines = received(*sim_).size();
    float zero = 0;
    ASSERT_EQ(set_board(h(), "SysRes", &zero), 0);
    EXPECT_EQ(received(*sim_).size(), lines) << "SysRes 0 sends nothing";
    ASSERT_EQ(ZEVAHV_ExecComm(h(), "SysRes"), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,PAR:SYSR");
    ASSERT_EQ(ZEVAHV_ExecComm(h(), "ClrAlrm"), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,PAR:CLR");
    EXPECT_EQ(ZEVAHV_ExecComm(h(), "Temp"), ZEVAHV_ERR_PARAMNOTFOUND);
    unsigned crst = 99;
    EXPECT_EQ(get_board(h(), "CrStat", &crst), 0);
}

TEST_F(W7300, ChannelNamesAreTextValuesThatCannotBreakTheLine) {
    const unsigned short ch = 2;
    char name[64] = "Beam2";
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Name", 1, &ch, name), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:2,PAR:NAME,VAL:Beam2");
    char back[64] = {};
    ASSERT_EQ(ZEVAHV_GetChParam(h(), 0, "Name", 1, &ch, back), 0);
    EXPECT_STREQ(back, "Beam2");

    const std::size_t lines = received(*sim_).size();
    for (const char* bad : {"a,PAR:SYSR", "x\r\n$CMD:SET,PAR:SYSR", "a;b", "a:b"}) {
        char text[64] = {};
        std::strncpy(text, bad, sizeof text - 1);
        EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "Name", 1, &ch, text), ZEVAHV_ERR_WRITE) << bad;
    }
    EXPECT_EQ(received(*sim_).size(), lines) << "nothing of a refused text went out";
}

// Over a serial line the port may be a device path (a port given by number
// is /dev/COM<n>); the event connection names the port and its settings.
TEST(W7300Serial, ReachedThroughADevicePath) {
    auto sim = start_device("w7300", Via::Serial, {"--channels", "2"});
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_W7300, *sim, Via::Serial), 0);
    EXPECT_EQ(crate_map(sys.handle()).channels, 2);
    int rc = -1;
    get_float(sys.handle(), "VMon", 1, &rc);
    EXPECT_EQ(rc, 0);

    EventStream events;
    char results[1] = {9};
    ASSERT_EQ(ZEVAHV_SubscribeChannelParams(sys.handle(), static_cast<short>(events.port()), 0, 1,
                                            "VMon", 1, results),
              0);
    ASSERT_TRUE(events.accept());
    EXPECT_EQ(events.ident(), serial_settings(*sim));
    EXPECT_TRUE(events.frame_with({"VMon/1"}, 3));

    // A port given by number is COM<n>, which this machine has not.
    OpenSystem by_number;
    EXPECT_EQ(by_number.open(ZEVAHV_SYS_W7300, ZEVAHV_LINK_USBVCP, "97_9600_8_0_0_0"),
              ZEVAHV_ERR_OPENFAILED);
}

} // namespace
