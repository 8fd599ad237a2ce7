// Values go out with a decimal point, and come in read with one, whatever
// the process locale: a client running under a decimal-comma locale must
// still send "12.5" (and read the limits a module describes as such).
#include "comma_locale.h"
#include "family_session.h"

namespace {

TEST(CommaLocale, SetPointsAndDescribedLimitsUseAPoint) {
    auto w7300 = start_device("w7300", Via::Tcp);
    auto kqps = start_device("kqps", Via::Tcp);
    DescriptionFile d(R"({"model": "LHV", "channels": 1, "board": [],
      "channel": [{"name": "VSet", "type": 0, "mode": 2, "min": 0.5, "max": 2.5, "decimals": 2,
                   "unit": "volt", "value": 1}]})");
    auto lumen = start_described(d);

    CommaLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no decimal-comma locale here";
    const unsigned short ch3 = 3, ch0 = 0;

    OpenSystem crate;
    ASSERT_EQ(open_on(crate, ZEVAHV_SYS_W7300, *w7300, Via::Tcp), 0);
    float v = 12.5f;
    EXPECT_EQ(ZEVAHV_SetChParam(crate.handle(), 0, "VSet", 1, &ch3, &v), 0);
    EXPECT_EQ(received(*w7300).back(), "$CMD:SET,CH:3,PAR:VSET,VAL:12.50");
    EXPECT_FLOAT_EQ(get_float(crate.handle(), "VSet", ch3), 12.5f);
    int rc = -1;
    EXPECT_FLOAT_EQ(prop_float(crate.handle(), 3, "VSet", "Maxval", &rc), 13.2f);

    OpenSystem supply;
    ASSERT_EQ(open_on(supply, ZEVAHV_SYS_KQPS, *kqps, Via::Tcp), 0);
    EXPECT_EQ(ZEVAHV_SetChParam(supply.handle(), 0, "VSet", 1, &ch0, &v), 0);
    EXPECT_EQ(received(*kqps).back(), "MWVR:12.500000");
    EXPECT_FLOAT_EQ(get_float(supply.handle(), "VSet", ch0), 12.5f);

    OpenSystem module;
    ASSERT_EQ(open_on(module, ZEVAHV_SYS_LUMENHV, *lumen, Via::Tcp), 0);
    EXPECT_FLOAT_EQ(prop_float(module.handle(), 0, "VSet", "Minval", &rc), 0.5f);
    EXPECT_FLOAT_EQ(prop_float(module.handle(), 0, "VSet", "Maxval", &rc), 2.5f);
    float low = 1.25f;
    EXPECT_EQ(ZEVAHV_SetChParam(module.handle(), 0, "VSet", 1, &ch0, &low), 0);
    EXPECT_EQ(received(*lumen).back(), "$CMD:SET,CH:0,PAR:VSet,VAL:1.25");
}

} // namespace
