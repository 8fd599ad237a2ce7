// The ZBK supply module: eight rows on every channel and none on the board,
// each monitor's resolution read at open, power as bit 0 of the status word,
// its few properties, and board presence.
#include "family_session.h"

namespace {

const std::vector<std::string> kRows = {"V5", "V48", "VFan", "I5", "I48", "IFan", "Status", "Pw"};

class Zbk : public SharedModule {
protected:
    static void SetUpTestSuite() { open_shared("zbk", ZEVAHV_SYS_ZBK, {"--fwrel", "4.2"}); }
};

TEST_F(Zbk, SixteenChannelEntriesForTwoChannelsAndNoBoardParameters) {
    const CrateMap c = crate_map(h());
    EXPECT_EQ(c.model, "ZBK");
    EXPECT_EQ(c.channels, 2);
    EXPECT_EQ(c.serial, 0) << "the module has no serial number word";
    EXPECT_EQ(c.fw_major, 4);
    EXPECT_EQ(c.fw_minor, 2);
    EXPECT_TRUE(board_params(h()).empty());
    EXPECT_EQ(channel_params(h(), 0), kRows);
    EXPECT_EQ(channel_params(h(), 1), kRows);
    EXPECT_EQ(commands_with(*sim_, {"BDSNUM"}), 0);
    for (const char* word : {"V5RES", "V48RES", "VFANRES", "I5RES", "I48RES", "IFANRES"})
        EXPECT_EQ(commands_with(*sim_, {std::string("PAR:") + word}), 1) << word;
    EXPECT_TRUE(exec_commands(h()).empty());
}

TEST_F(Zbk, PropertiesAreTypeModeUnitDecimalsAndStates) {
    int rc = -1;
    EXPECT_EQ(prop_ushort(h(), 0, "V48", "Unit", &rc), ZEVAHV_PARAM_UN_VOLT);
    EXPECT_EQ(prop_ushort(h(), 1, "IFan", "Unit", &rc), ZEVAHV_PARAM_UN_AMPERE);
    EXPECT_EQ(prop_ushort(h(), 1, "I5", "Decimal", &rc), 2);
    EXPECT_EQ(prop_uint(h(), 0, "Pw", "Mode", &rc), 2u);
    EXPECT_EQ(prop_text(h(), 0, "Pw", "Offstate", &rc), "Off");
    EXPECT_EQ(rc, 0);
    for (const char* p : {"Minval", "Maxval", "Exp", "Sign", "Resol"}) {
        prop_float(h(), 0, "V5", p, &rc);
        EXPECT_EQ(rc, ZEVAHV_ERR_PARAMPROPNOTFOUND) << p;
    }
}

TEST_F(Zbk, PowerIsBitZeroOfTheStatusAndMonitorsAreReadOnly) {
    const unsigned short ch = 1;
    unsigned on = 1, off = 0;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 1, &ch, &on), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:1,PAR:ON");
    EXPECT_EQ(get_uint(h(), "Pw", ch), 1u);
    EXPECT_EQ(received(*sim_).back(), "$CMD:MON,CH:1,PAR:STAT");
    EXPECT_TRUE(eventually([&] { return get_float(h(), "V5", ch) > 4.5f; }));
    EXPECT_EQ(get_uint(h(), "Pw", 0), 0u);
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 1, &ch, &off), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:1,PAR:OFF");

    float v = 48;
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "V48", 1, &ch, &v), ZEVAHV_ERR_READ);
    float x = 0;
    const unsigned short slot = 0;
    EXPECT_EQ(ZEVAHV_GetBdParam(h(), 1, &slot, "V5", &x), ZEVAHV_ERR_PARAMNOTFOUND);
}

TEST_F(Zbk, BoardPresenceTellsTheIdentityAndAsksTheModule) {
    unsigned short nch = 0, serial = 99;
    char *model = nullptr, *desc = nullptr;
    unsigned char lo = 0, hi = 0;
    const int before = commands_with(*sim_, {"PAR:BDFREL"});
    ASSERT_EQ(ZEVAHV_TestBdPresence(h(), 0, &nch, &model, &desc, &serial, &lo, &hi), 0);
    EXPECT_EQ(nch, 2);
    EXPECT_STREQ(model, "ZBK");
    EXPECT_STREQ(desc, "");
    EXPECT_EQ(serial, 0);
    EXPECT_EQ(hi, 4);
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(commands_with(*sim_, {"PAR:BDFREL"}), before + 1) << "a fresh read";
    ZEVAHV_Free(model), ZEVAHV_Free(desc);

    model = desc = nullptr;
    EXPECT_EQ(ZEVAHV_TestBdPresence(h(), 1, &nch, &model, &desc, &serial, &lo, &hi),
              ZEVAHV_ERR_OUTOFRANGE);
    ZEVAHV_Free(model), ZEVAHV_Free(desc);
    char placeholder[4];
    model = placeholder;
    desc = nullptr;
    EXPECT_EQ(ZEVAHV_TestBdPresence(h(), 0, &nch, &model, &desc, &serial, &lo, &hi),
              ZEVAHV_ERR_INVALIDPARAMETER);

    ASSERT_EQ(sim_->control("fault-once silent").rfind("OK", 0), 0u);
    model = desc = nullptr;
    EXPECT_EQ(ZEVAHV_TestBdPresence(h(), 0, &nch, &model, &desc, &serial, &lo, &hi),
              ZEVAHV_ERR_READ)
        << "a module that does not answer is not present";
    ZEVAHV_Free(model), ZEVAHV_Free(desc);
}

// Over a serial line, eight channels.
TEST(ZbkSerial, EightChannelsOverAPseudoTerminal) {
    auto sim = start_device("zbk", Via::Serial, {"--channels", "8"});
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_ZBK, *sim, Via::Serial), 0);
    EXPECT_EQ(crate_map(sys.handle()).channels, 8);
    EXPECT_EQ(channel_params(sys.handle(), 7), kRows);
    int rc = -1;
    get_uint(sys.handle(), "Status", 7, &rc);
    EXPECT_EQ(rc, 0);
    unsigned short nch = 0, serial = 0;
    char *model = nullptr, *desc = nullptr;
    unsigned char lo = 0, hi = 0;
    EXPECT_EQ(ZEVAHV_TestBdPresence(sys.handle(), 0, &nch, &model, &desc, &serial, &lo, &hi), 0);
    EXPECT_EQ(nch, 8);
    ZEVAHV_Free(model), ZEVAHV_Free(desc);
}

} // namespace
