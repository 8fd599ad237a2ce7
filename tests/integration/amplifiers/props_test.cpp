// Parameter properties of the amplifier families: enumeration texts (and
// the model variants that change them), units, limits and state texts.
#include <gtest/gtest.h>

#include <cstring>

#include "amp_support.h"

namespace {

using Texts = std::vector<std::string>;

struct Opened {
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<OpenSystem> sys;
};

Opened open_model(const AmpFamily& f, const std::string& model) {
    Opened o;
    o.sim = SimProcess::start(f.device, {"--model", model});
    o.sys = open_tcp(f, *o.sim);
    EXPECT_EQ(o.sys->result(), 0) << model;
    return o;
}

TEST(AmpProps, EnumerationTextsOfTheQ2906) {
    for (const char* model : {"Q2906", "Q2906GE"}) {
        SCOPED_TRACE(model);
        auto o = open_model(kQ2906, model);
        int h = o.sys->handle();
        EXPECT_EQ(enum_texts(h, "Shape"), (Texts{"200", "400", "800"}));
        EXPECT_EQ(enum_texts(h, "SlowCGain"), (Texts{"1X", "4X", "16X", "64X"}));
        EXPECT_EQ(enum_texts(h, "AUXFCGain"), (Texts{"1X", "4X", "16X", "64X"}));
        EXPECT_EQ(enum_texts(h, "MuxSel"), (Texts{"Fast Enabled", "AUX Enabled"}));
        // The GE model names the third multiplexer output differently.
        EXPECT_EQ(enum_texts(h, "MuxOut"),
                  (Texts{"Disable", "Slow Enabled",
                         std::strcmp(model, "Q2906GE") == 0 ? "FAUX Enable" : "FAUX Enabled"}));
    }
}

TEST(AmpProps, EnumerationTextsOfTheQ2904) {
    for (const char* model : {"Q2904", "Q2904GE"}) {
        SCOPED_TRACE(model);
        auto o = open_model(kQ2904, model);
        int h = o.sys->handle();
        EXPECT_EQ(enum_texts(h, "Shape"), std::strcmp(model, "Q2904GE") == 0
                                              ? (Texts{"1", "4", "8", "16", "1 Fast"})
                                              : (Texts{"0.5", "1", "2", "4", "0.5 Fast"}));
        EXPECT_EQ(enum_texts(h, "MuxOut"), (Texts{"Disable", "Energy Enabled", "Timing Enabled"}));
        EXPECT_EQ(enum_texts(h, "CoarsGain"),
                  (Texts{"2", "4", "8", "16", "32", "64", "128", "256"}));
        EXPECT_EQ(enum_texts(h, "TGain"), (Texts{"1X", "4X"}));
        EXPECT_EQ(enum_texts(h, "TInt"), (Texts{"20", "80"}));
        EXPECT_EQ(enum_texts(h, "TDiff"), (Texts{"100", "500"}));
    }
    // A variant is chosen only by the exact model word.
    auto o = open_model(kQ2904, "Q2904GEX");
    EXPECT_EQ(enum_texts(o.sys->handle(), "Shape"), (Texts{"0.5", "1", "2", "4", "0.5 Fast"}));
}

TEST(AmpProps, ShapingTimesOfTheP731XFollowTheModel) {
    const std::pair<const char*, Texts> cases[] = {
        {"P731X", {"0.2", "1", "3", "6"}},    {"P731XBA", {"0.2", "1", "3", "6"}},
        {"P731XBB", {"0.2", "1", "3", "0.1"}}, {"P731XBC", {"0.2", "1", "2", "6"}},
        {"P731XBD", {"0.2", "1", "2", "6"}},   {"P731XBD2", {"0.2", "1", "2", "6"}},
    };
    for (const auto& [model, texts] : cases) {
        SCOPED_TRACE(model);
        auto o = open_model(kP731X, model);
        EXPECT_EQ(enum_texts(o.sys->handle(), "Shape"), texts);
        EXPECT_EQ(enum_texts(o.sys->handle(), "CoarGain"),
                  (Texts{"1", "2", "4", "8", "16", "32", "64", "128"}));
    }
}

// "Enum" answers only for enumerations; the other properties describe the
// value as the interface promises.
TEST(AmpProps, PropertiesByType) {
    auto o = open_model(kQ2906, "Q2906");
    int h = o.sys->handle();
    char buf[ZEVAHV_ENUM_COUNT * ZEVAHV_ENUM_TEXT_SIZE];
    for (const char* par : {"Threshold", "PUR", "Name", "SlowFGain"})
        EXPECT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, par, "Enum", buf),
                  ZEVAHV_ERR_PARAMPROPNOTFOUND)
            << par;
    EXPECT_EQ(ZEVAHV_GetBdParamProp(h, 0, "Offset", "Enum", buf), ZEVAHV_ERR_PARAMPROPNOTFOUND);

    unsigned u = 99;
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Shape", "Type", &u), 0);
    EXPECT_EQ(u, static_cast<unsigned>(ZEVAHV_PARAM_TYPE_ENUM));
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Name", "Type", &u), 0);
    EXPECT_EQ(u, static_cast<unsigned>(ZEVAHV_PARAM_TYPE_STRING));
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Name", "Mode", &u), 0);
    EXPECT_EQ(u, static_cast<unsigned>(ZEVAHV_PARAM_MODE_RDONLY));
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "PUR", "Type", &u), 0);
    EXPECT_EQ(u, static_cast<unsigned>(ZEVAHV_PARAM_TYPE_ONOFF));

    unsigned short unit = 99;
    short exp = 99;
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Shape", "Unit", &unit), 0);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Shape", "Exp", &exp), 0);
    EXPECT_EQ(unit, ZEVAHV_PARAM_UN_SECOND);
    EXPECT_EQ(exp, -9);

    float lo = -1, hi = -1;
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Threshold", "Minval", &lo), 0);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Threshold", "Maxval", &hi), 0);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 4000.0f);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "MuxOut", "Maxval", &hi), 0);
    EXPECT_EQ(hi, 2.0f);

    char on[64] = {}, off[64] = {};
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "CFDDelEn", "Onstate", on), 0);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "CFDDelEn", "Offstate", off), 0);
    EXPECT_STREQ(on, "En");
    EXPECT_STREQ(off, "Dis");

    EXPECT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Threshold", "Sign", &u),
              ZEVAHV_ERR_PARAMPROPNOTFOUND);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h, 0, 3, "Threshold", "Colour", &u),
              ZEVAHV_ERR_PARAMPROPNOTFOUND);
}

TEST(AmpProps, StateTextsAndUnitsOfQ2904AndP731X) {
    {
        auto o = open_model(kQ2904, "Q2904");
        int h = o.sys->handle();
        char on[64] = {}, off[64] = {};
        ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "OROut", "Onstate", on), 0);
        ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "OROut", "Offstate", off), 0);
        EXPECT_STREQ(on, "Dis");
        EXPECT_STREQ(off, "En");
        ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "InPol", "Onstate", on), 0);
        EXPECT_STREQ(on, "Neg");
        short exp = 0;
        ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "Shape", "Exp", &exp), 0);
        EXPECT_EQ(exp, -6);
        ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "TDiff", "Exp", &exp), 0);
        EXPECT_EQ(exp, -9);
    }
    auto o = open_model(kP731X, "P731X");
    int h = o.sys->handle();
    char on[64] = {}, off[64] = {};
    ASSERT_EQ(ZEVAHV_GetBdParamProp(h, 0, "MuxOut", "Onstate", on), 0);
    ASSERT_EQ(ZEVAHV_GetBdParamProp(h, 0, "MuxOut", "Offstate", off), 0);
    EXPECT_STREQ(on, "En");
    EXPECT_STREQ(off, "Dis");
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "OutConf", "Onstate", on), 0);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "OutConf", "Offstate", off), 0);
    EXPECT_STREQ(on, "Inv");
    EXPECT_STREQ(off, "Dir");
    unsigned mode = 99;
    ASSERT_EQ(ZEVAHV_GetBdParamProp(h, 0, "LastCh", "Mode", &mode), 0);
    EXPECT_EQ(mode, static_cast<unsigned>(ZEVAHV_PARAM_MODE_RDONLY));
    short exp = 0;
    ASSERT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "Shape", "Exp", &exp), 0);
    EXPECT_EQ(exp, -6);
}

}  // namespace
