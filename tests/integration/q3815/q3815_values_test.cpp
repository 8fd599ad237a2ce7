// Reading and writing a Q3815's values through the public interface, with
// the simulator's log as the witness of what went on the wire.
#include <cstring>
#include <memory>

#include "comma_locale.h"
#include "module_session.h"

namespace {

class Q3815Values : public ::testing::Test {
protected:
    void SetUp() override {
        sim_ = SimProcess::start("q3815");
        ASSERT_EQ(sys_.open(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, sim_->tcp_arg(0)), 0);
    }
    int h() const { return sys_.handle(); }
    std::unique_ptr<SimProcess> sim_;
    OpenSystem sys_;
};

}  // namespace

TEST_F(Q3815Values, EveryWritableChannelRowReadsBackWhatWasSet) {
    struct Case {
        const char *name;
        float value;
        const char *wire;
    };
    const Case cases[] = {
        {"VSet", 1234.5f, "PAR:VSET,VAL:1234.5"}, {"ISet", 3.0f, "PAR:ISET,VAL:003.00"},
        {"MaxV", 7000.0f, "PAR:MAXV,VAL:7000"},   {"RUp", 50.0f, "PAR:RUP,VAL:050"},
        {"RDwn", 20.0f, "PAR:RDW,VAL:020"},       {"Trip", 2.5f, "PAR:TRIP,VAL:002.5"},
    };
    const unsigned short ch = 2;
    for (const Case &c : cases) {
        float v = c.value;
        ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, c.name, 1, &ch, &v), 0) << c.name;
        EXPECT_EQ(commands_with(*sim_, {"CMD:SET,CH:2,", c.wire}), 1) << c.wire;
        int rc = -1;
        EXPECT_FLOAT_EQ(get_float(h(), c.name, ch, &rc), c.value) << c.name;
        EXPECT_EQ(rc, 0);
    }
    unsigned kill = 0;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "PDwn", 1, &ch, &kill), 0);
    EXPECT_EQ(commands_with(*sim_, {"CH:2,PAR:PDWN,VAL:KILL"}), 1);
    EXPECT_EQ(get_uint(h(), "PDwn", ch), 0u);

    // Read-only rows: each reads, none writes.
    for (const char *name : {"VMon", "IMonH", "ChStatus", "Polarity"}) {
        int rc = -1;
        get_uint(h(), name, ch, &rc);
        EXPECT_EQ(rc, 0) << name;
        unsigned v = 1;
        EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, name, 1, &ch, &v), 3) << name;
    }
    float v = 1;
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "NoSuch", 1, &ch, &v), 22);
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 1, "VSet", 1, &ch, &v), 10);
    // A value the module refuses (above its maximum) fails the write.
    v = 9000;
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), 2);
}

TEST_F(Q3815Values, BoardRowsAndTheAlarmClear) {
    const unsigned short slot = 0;
    unsigned u = 7;
    ASSERT_EQ(ZEVAHV_GetBdParam(h(), 1, &slot, "Control", &u), 0);
    EXPECT_EQ(u, 0u);  // REMOTE
    ASSERT_EQ(ZEVAHV_GetBdParam(h(), 1, &slot, "Alarm", &u), 0);
    EXPECT_EQ(u, 0u);
    unsigned closed = 1;
    ASSERT_EQ(ZEVAHV_SetBdParam(h(), 1, &slot, "Interlock", &closed), 0);
    EXPECT_EQ(commands_with(*sim_, {"CMD:SET,PAR:BDILKM,VAL:CLOSED"}), 1);
    ASSERT_EQ(ZEVAHV_GetBdParam(h(), 1, &slot, "Interlock", &u), 0);
    EXPECT_EQ(u, 1u);
    EXPECT_EQ(ZEVAHV_SetBdParam(h(), 1, &slot, "Control", &closed), 2);   // read-only
    EXPECT_EQ(ZEVAHV_GetBdParam(h(), 1, &slot, "ClrAlarm", &u), 3);      // write-only
    EXPECT_EQ(ZEVAHV_GetBdParam(h(), 1, &slot, "NoSuch", &u), 22);
    const unsigned short other = 1;
    EXPECT_EQ(ZEVAHV_GetBdParam(h(), 1, &other, "Alarm", &u), 10);

    // Clearing with 0 sends nothing; with 1 the bare word.
    sim_->control("count reset");
    unsigned zero = 0, one = 1;
    ASSERT_EQ(ZEVAHV_SetBdParam(h(), 1, &slot, "ClrAlarm", &zero), 0);
    EXPECT_EQ(sim_->control("count"), "OK 0");
    ASSERT_EQ(ZEVAHV_SetBdParam(h(), 1, &slot, "ClrAlarm", &one), 0);
    ASSERT_EQ(ZEVAHV_ExecComm(h(), "ClrAlarm"), 0);
    EXPECT_EQ(commands_with(*sim_, {"$BD:00,CMD:SET,PAR:BDCLR"}), 2);
    EXPECT_EQ(commands_with(*sim_, {"PAR:BDCLR,VAL"}), 0);
    EXPECT_EQ(ZEVAHV_ExecComm(h(), "Interlock"), 22);
    EXPECT_EQ(ZEVAHV_ExecComm(h(), nullptr), 26);
}

TEST_F(Q3815Values, PowerGoesThroughOnOffAndReadsTheStatusWord) {
    const unsigned short chs[] = {0, 1};
    float vset = 300;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 2, chs, &vset), 0);
    unsigned on = 1;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 2, chs, &on), 0);
    EXPECT_EQ(commands_with(*sim_, {"CH:0,PAR:ON"}), 1);
    EXPECT_EQ(commands_with(*sim_, {"CH:1,PAR:ON"}), 1);
    EXPECT_EQ(commands_with(*sim_, {"PAR:Pw"}), 0);

    unsigned pw[2] = {7, 7};
    ASSERT_EQ(ZEVAHV_GetChParam(h(), 0, "Pw", 2, chs, pw), 0);
    EXPECT_EQ(pw[0], 1u);
    EXPECT_EQ(pw[1], 1u);
    EXPECT_EQ(commands_with(*sim_, {"CMD:MON,CH:1,PAR:STAT"}), 1);
    EXPECT_EQ(get_uint(h(), "Pw", 2), 0u);

    // The channel ramps towards its set point while it is on.
    EXPECT_TRUE(eventually([&] { return get_float(h(), "VMon", 0) > 50.0f; }));

    unsigned off = 0;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "Pw", 1, chs, &off), 0);
    EXPECT_EQ(commands_with(*sim_, {"CH:0,PAR:OFF"}), 1);
    // Ramping down (status bit 2) already reads as off.
    EXPECT_EQ(get_uint(h(), "Pw", 0), 0u);
}

TEST_F(Q3815Values, CurrentMonitorFollowsTheRange) {
    const unsigned short ch = 1;
    // After open the range is high: the low monitor reads 0 without asking.
    sim_->control("count reset");
    int rc = -1;
    EXPECT_EQ(get_float(h(), "IMonL", ch, &rc), 0.0f);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(sim_->control("count"), "OK 0");
    get_float(h(), "IMonH", ch, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(sim_->control("count"), "OK 1");

    // The front panel switches to the low range; reading the range tells us.
    ASSERT_EQ(sim_->control("set 0 IMRANGE 1 LOW").substr(0, 2), "OK");
    EXPECT_EQ(get_uint(h(), "ImonRange", ch), 1u);
    sim_->control("count reset");
    get_float(h(), "IMonL", ch, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(get_float(h(), "IMonH", ch), 0.0f);
    EXPECT_EQ(sim_->control("count"), "OK 1");

    // Writing the range switches the monitors too.
    unsigned high = 0;
    ASSERT_EQ(ZEVAHV_SetChParam(h(), 0, "ImonRange", 1, &ch, &high), 0);
    EXPECT_EQ(commands_with(*sim_, {"CH:1,PAR:IMRANGE,VAL:HIGH"}), 1);
    sim_->control("count reset");
    EXPECT_EQ(get_float(h(), "IMonL", ch), 0.0f);
    EXPECT_EQ(sim_->control("count"), "OK 0");
    // Other channels keep their own range.
    EXPECT_EQ(get_uint(h(), "ImonRange", 0), 0u);
}

TEST_F(Q3815Values, SetPointsGoOutWithAPointUnderACommaLocale) {
    int rc = -1;
    float back = -1;
    {
        CommaLocale comma;
        if (!comma.active()) GTEST_SKIP() << "no decimal-comma locale here";
        const unsigned short ch = 0;
        float v = 1500;
        rc = ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v);
        back = get_float(h(), "VSet", ch);
    }

    EXPECT_EQ(rc, 0);
    EXPECT_EQ(commands_with(*sim_, {"PAR:VSET,VAL:1500.0"}), 1);
    EXPECT_FLOAT_EQ(back, 1500.0f);
}

TEST_F(Q3815Values, RefusalsAndBadRepliesBecomeResultCodes) {
    const unsigned short ch = 0;
    float v = 100;
    // Local control: every set refused, reads still work.
    ASSERT_EQ(sim_->control("local 0 on").substr(0, 2), "OK");
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), 2);
    int rc = -1;
    get_float(h(), "VSet", ch, &rc);
    EXPECT_EQ(rc, 0);
    sim_->control("local 0 off");
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), 0);

    // Each fault hits one reply; the exchange after it works again.
    for (const char *fault : {"wrong-board", "garbage", "long-line 3000", "no-eol",
                              "close-midline", "silent"}) {
        ASSERT_EQ(sim_->control(std::string("fault-once ") + fault).substr(0, 2), "OK") << fault;
        get_float(h(), "VSet", ch, &rc);
        EXPECT_EQ(rc, 3) << fault;
        EXPECT_FLOAT_EQ(get_float(h(), "VSet", ch, &rc), 100.0f) << fault;
        EXPECT_EQ(rc, 0) << "after " << fault;
    }
    ASSERT_EQ(sim_->control("fault-once wrong-board").substr(0, 2), "OK");
    EXPECT_EQ(ZEVAHV_SetChParam(h(), 0, "VSet", 1, &ch, &v), 2);
}
