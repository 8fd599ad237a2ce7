// The RD40XXE desktop high-voltage module: the unaddressed form, the limits
// completed at open (both current ranges where the module has them), the
// range row only on modules that answer it, and its values.
#include "family_session.h"

namespace {

const std::vector<std::string> kWithRange = {
    "VSet",  "VMon",  "ISet", "IMon",     "ImonRange", "MaxV", "RUp",
    "RDwn",  "Trip",  "PDwn", "Polarity", "ChStatus",  "Pw"};

// One module with its current range, opened once for the suite.
class Rd40xxe : public SharedModule {
protected:
    static void SetUpTestSuite() {
        open_shared("rd40xxe", ZEVAHV_SYS_RD40XXE, {"--serial", "4711", "--fwrel", "2.7"});
    }
};

TEST_F(Rd40xxe, OpensWithItsIdentityAndLimitsOfBothCurrentRanges) {
    const CrateMap c = crate_map(h());
    EXPECT_EQ(c.model, "RD4020E");
    EXPECT_EQ(c.serial, 4711);
    EXPECT_EQ(c.fw_major, 2);
    EXPECT_EQ(c.fw_minor, 7);
    EXPECT_EQ(c.channels, 2);

    // Unaddressed: nothing on the line names a board.
    const std::vector<std::string> lines = received(*sim_);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "$CMD:MON,PAR:BDNAME");
    for (const std::string& l : lines) EXPECT_EQ(l.rfind("$CMD:", 0), 0u) << l;

    // "ClearAlarm" does not fit the 10-byte fields: listed cut to 9.
    EXPECT_EQ(board_params(h()), (std::vector<std::string>{"IlkStat", "BdAlarm", "ClearAlar"}));
    EXPECT_EQ(channel_params(h(), 1), kWithRange);

    int rc = -1;
    // ISet spans both ranges: the larger maximum (IMAXH 3000, IMAXL 300).
    EXPECT_FLOAT_EQ(prop_float(h(), 0, "ISet", "Maxval", &rc), 3000);
    EXPECT_EQ(prop_ushort(h(), 0, "ISet", "Decimal", &rc), 2);  // ISDEC
    // IMon shows the decimals of the finer range (IMDECH 2, IMDECL 4).
    EXPECT_EQ(prop_ushort(h(), 0, "IMon", "Decimal", &rc), 4);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(prop_ushort(h(), 1, "VSet", "Decimal", &rc), 1);  // VSDEC
    EXPECT_EQ(prop_ushort(h(), 1, "VMon", "Decimal", &rc), 1);  // VMDEC
    EXPECT_FLOAT_EQ(prop_float(h(), 1, "VSet", "Maxval", &rc), 8000);
    EXPECT_FLOAT_EQ(prop_float(h(), 1, "RUp", "Minval", &rc), 1);
    EXPECT_EQ(prop_text(h(), 0, "ImonRange", "Offstate", &rc), "Hi");
    EXPECT_EQ(prop_text(h(), -1, "IlkStat", "Onstate", &rc), "Yes");
    EXPECT_EQ(commands_with(*sim_, {"PAR:IMAXL"}), 1);
    EXPECT_EQ(commands_with(*sim_, {"PAR:IMDECL"}), 1);
}

TEST_F(Rd40xxe, ValuesTravelInTheUnaddressedForm) {
    const unsigned short ch1 = 1;
    int rc = -1;
    get_float(h(), "VMon", ch1, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:MON,CH:1,PAR:VMON");

    float v = 12.5f;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch1, &v), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:1,PAR:VSET,VAL:012.5");
    EXPECT_FLOAT_EQ(get_float(h(), "VSet", ch1), 12.5f);

    // The range: written and read as its words, LOW is state 1.
    unsigned low = 1;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "ImonRange", 1, &ch1, &low), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:1,PAR:IMRANGE,VAL:LOW");
    EXPECT_EQ(get_uint(h(), "ImonRange", ch1), 1u);

    // Power: switched with ON/OFF, read through the status word.
    const unsigned short both[] = {0, 1};
    unsigned on = 1;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 2, both, &on), 0);
    EXPECT_EQ(commands_with(*sim_, {"$CMD:SET,CH:0,PAR:ON"}), 1);
    EXPECT_EQ(commands_with(*sim_, {"$CMD:SET,CH:1,PAR:ON"}), 1);
    EXPECT_EQ(get_uint(h(), "Pw", 0), 1u);
    EXPECT_EQ(received(*sim_).back(), "$CMD:MON,CH:0,PAR:STAT");
    unsigned off = 0;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 1, &ch1, &off), 0);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,CH:1,PAR:OFF");

    char names[2][ZEVAHV_MAX_CH_NAME];
    ASSERT_EQ(ZEVAHV_GetChName(h(), 0, 2, both, names), 0);
    EXPECT_STREQ(names[0], "CH00");
    EXPECT_STREQ(names[1], "CH01");
    const unsigned short ch2 = 2;
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "VSet", 1, &ch2, &v), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VMon", 1, &ch1, &v), ZEVAHV_ERR_READ);
}

TEST_F(Rd40xxe, TheAlarmIsClearedByItsWordUnderEitherName) {
    EXPECT_EQ(exec_commands(h()), (std::vector<std::string>{"ClearAlarm"}));
    const int before = commands_with(*sim_, {"PAR:BDCLR"});
    unsigned zero = 0, one = 1;
    ASSERT_EQ(set_board(h(), "ClearAlarm", &zero), 0);
    EXPECT_EQ(commands_with(*sim_, {"PAR:BDCLR"}), before) << "a 0 sends nothing";
    ASSERT_EQ(set_board(h(), "ClearAlar", &one), 0) << "the name as the list gives it";
    ASSERT_EQ(ZEVAHV_ExecComm(h(), "ClearAlarm"), 0);
    EXPECT_EQ(commands_with(*sim_, {"$CMD:SET,PAR:BDCLR"}), before + 2);
    EXPECT_EQ(received(*sim_).back(), "$CMD:SET,PAR:BDCLR");
    unsigned alarm = 99;
    EXPECT_EQ(get_board(h(), "BdAlarm", &alarm), 0);
    EXPECT_EQ(alarm, 0u);
    EXPECT_EQ(get_board(h(), "ClearAlarm", &alarm), ZEVAHV_ERR_READ) << "write-only";
    EXPECT_EQ(ZEVAHV_ExecComm(h(), "IlkStat"), ZEVAHV_ERR_PARAMNOTFOUND);
}

TEST_F(Rd40xxe, LocalControlRefusesWrites) {
    ASSERT_EQ(sim_->control("local 0 on").rfind("OK", 0), 0u);
    const unsigned short ch = 0;
    float v = 100;
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), ZEVAHV_ERR_WRITE);
    int rc = -1;
    get_float(h(), "VSet", ch, &rc);
    EXPECT_EQ(rc, 0) << "reads still work";
    ASSERT_EQ(sim_->control("local 0 off").rfind("OK", 0), 0u);
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), 0);
}

// A model without the current-monitor range, over a serial line: twelve
// channel rows, and the low range's words are never asked.
TEST(Rd40xxeNoRange, OpensWithoutTheRangeRowOverASerialLine) {
    auto sim = start_device("rd40xxe", Via::Serial, {"--no-range", "--channels", "4"});
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_RD40XXE, *sim, Via::Serial), 0);
    std::vector<std::string> want = kWithRange;
    want.erase(want.begin() + 4);
    EXPECT_EQ(channel_params(sys.handle(), 3), want);
    EXPECT_EQ(crate_map(sys.handle()).channels, 4);
    int rc = -1;
    EXPECT_EQ(prop_ushort(sys.handle(), 0, "IMon", "Decimal", &rc), 2);  // IMDECH alone
    EXPECT_FLOAT_EQ(prop_float(sys.handle(), 0, "ISet", "Maxval", &rc), 3000);
    EXPECT_EQ(commands_with(*sim, {"PAR:IMAXL"}), 0);
    EXPECT_EQ(commands_with(*sim, {"PAR:IMDECL"}), 0);
    unsigned v = 0;
    const unsigned short ch = 0;
    EXPECT_EQ(ZEVAHV_GetChParam(sys.handle(), 0, "ImonRange", 1, &ch, &v),
              ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_GE(get_float(sys.handle(), "VMon", 3, &rc), 0.0f);
    EXPECT_EQ(rc, 0);
}

} // namespace
