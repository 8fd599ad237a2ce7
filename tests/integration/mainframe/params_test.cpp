// Board and channel parameters: names, properties, values both ways, writes
// grouped by descriptor, and a layout that changed under the library.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "crate.h"

namespace {

std::vector<std::string> names_of(const char* list) {
    std::vector<std::string> out;
    for (const char* p = list; *p; p += ZEVAHV_MAX_PARAM_NAME) out.emplace_back(p);
    return out;
}

}  // namespace

TEST(MainframeParams, NamesAndProperties) {
    Crate crate;
    OpenSystem s(crate);
    char* list = nullptr;
    int n = 0;
    ASSERT_EQ(ZEVAHV_GetChParamInfo(s.h, 4, 0, &list, &n), 0);
    const auto ch = names_of(list);
    ZEVAHV_Free(list);
    EXPECT_EQ(n, 11);
    EXPECT_EQ(ch.size(), 11u);
    EXPECT_EQ(std::set<std::string>(ch.begin(), ch.end()).count("VSet"), 1u);
    ASSERT_EQ(ZEVAHV_GetBdParamInfo(s.h, 4, &list), 0);
    EXPECT_EQ(names_of(list), (std::vector<std::string>{"BdStatus", "HVMax", "Temp", "TempMax"}));
    ZEVAHV_Free(list);

    unsigned u = 99;
    float f = 0;
    unsigned short us = 0;
    short sh = 0;
    char text[16] = {};
    // A signed numeric channel parameter: the bipolar board's VSet.
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Type", &u), 0);
    EXPECT_EQ(u, unsigned{ZEVAHV_PARAM_TYPE_NUMERIC});
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Mode", &u), 0);
    EXPECT_EQ(u, unsigned{ZEVAHV_PARAM_MODE_RDWR});
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Sign", &u), 0);
    EXPECT_EQ(u, 1u);
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Minval", &f), 0);
    EXPECT_FLOAT_EQ(f, -2500.0f);
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Maxval", &f), 0);
    EXPECT_FLOAT_EQ(f, 2500.0f);
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Unit", &us), 0);
    EXPECT_EQ(us, ZEVAHV_PARAM_UN_VOLT);
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "ISet", "Exp", &sh), 0);
    EXPECT_EQ(sh, -6);
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Decimal", &us), 0);
    EXPECT_EQ(us, 1);
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VMon", "Mode", &u), 0);
    EXPECT_EQ(u, unsigned{ZEVAHV_PARAM_MODE_RDONLY});
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "PDwn", "Onstate", text), 0);
    EXPECT_STREQ(text, "Kill");
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "PDwn", "Offstate", text), 0);
    EXPECT_STREQ(text, "Ramp");
    EXPECT_EQ(ZEVAHV_GetBdParamProp(s.h, 4, "Temp", "Unit", &us), 0);
    EXPECT_EQ(us, ZEVAHV_PARAM_UN_CELSIUS);

    // Unknown property, parameter, slot and channel, each with its text.
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSet", "Colour", &u), ZEVAHV_ERR_PARAMPROPNOTFOUND);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Param Property Not Found");
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 0, "VSett", "Type", &u), ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Param Not Found");
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 2, 0, "VSet", "Type", &u), ZEVAHV_ERR_SLOTNOTPRES);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Slot NOT Present");
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 4, 48, "VSet", "Type", &u), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Value out of range");
    EXPECT_EQ(ZEVAHV_GetChParamInfo(s.h, 2, 0, &list, &n), ZEVAHV_ERR_SLOTNOTPRES);
    EXPECT_EQ(ZEVAHV_GetBdParamInfo(s.h, 9, &list), ZEVAHV_ERR_SLOTNOTPRES);
}

TEST(MainframeParams, ValuesBothWays) {
    Crate crate;
    OpenSystem s(crate);
    // Decimals 1, scale 10: 1234.56 goes as 12346 and comes back 1234.6.
    const unsigned short ch = 2;
    float v = 1234.56f;
    ASSERT_EQ(ZEVAHV_SetChParam(s.h, 1, "VSet", 1, &ch, &v), 0);
    EXPECT_FLOAT_EQ(v, 1234.6f);
    EXPECT_EQ(crate.control("get 1 2 VSet"), "OK 1234.6");
    EXPECT_FLOAT_EQ(ch_float(s.h, 1, 2, "VSet"), 1234.6f);
    // Signed values of the bipolar board, and decimals 3 with scale 1000.
    ASSERT_EQ(set_ch_float(s.h, 4, 0, "VSet", -1000.04f), 0);
    EXPECT_FLOAT_EQ(ch_float(s.h, 4, 0, "VSet"), -1000.0f);
    ASSERT_EQ(set_ch_float(s.h, 1, 0, "ISet", 0.5f), 0);
    EXPECT_NEAR(ch_float(s.h, 1, 0, "ISet"), 0.5f, 1e-6);
    // Two-state and status values are whole numbers.
    ASSERT_EQ(set_ch_uint(s.h, 1, 2, "Pw", 1), 0);
    EXPECT_EQ(ch_uint(s.h, 1, 2, "Pw"), 1u);
    EXPECT_TRUE(eventually([&] { return (ch_uint(s.h, 1, 2, "Status") & 1u) == 1u; }));

    // Several channels and several boards in one call.
    const unsigned short chs[] = {0, 1, 2};
    float out[3] = {};
    ASSERT_EQ(ZEVAHV_GetChParam(s.h, 1, "VSet", 3, chs, out), 0);
    EXPECT_FLOAT_EQ(out[2], 1234.6f);
    const unsigned short slots[] = {0, 4};
    float tmax = 55.0f;
    ASSERT_EQ(ZEVAHV_SetBdParam(s.h, 2, slots, "TempMax", &tmax), 0);
    float back[2] = {};
    ASSERT_EQ(ZEVAHV_GetBdParam(s.h, 2, slots, "TempMax", back), 0);
    EXPECT_FLOAT_EQ(back[0], 55.0f);
    EXPECT_FLOAT_EQ(back[1], 55.0f);

    // The crate's refusal passes through with its code and text.
    EXPECT_EQ(set_ch_float(s.h, 1, 0, "VSet", 7000.0f), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Value out of range");
    // A count of 0 asks nothing and writes nothing.
    const long before = crate.count("GETCHPARAM");
    EXPECT_EQ(ZEVAHV_GetChParam(s.h, 1, "VSet", 0, nullptr, nullptr), 0);
    EXPECT_EQ(crate.count("GETCHPARAM"), before);
    // Unknown names, channels beyond the board and empty slots.
    int r = 0;
    ch_float(s.h, 1, 0, "Nope", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_SYSCONFCHANGE);
    ch_float(s.h, 1, 24, "VSet", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_SYSCONFCHANGE);
    EXPECT_EQ(set_ch_float(s.h, 1, 24, "VSet", 1.0f), ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(set_ch_float(s.h, 2, 0, "VSet", 1.0f), ZEVAHV_ERR_SYSCONFCHANGE);
}

TEST(MainframeParams, WritesAreGroupedByDescriptor) {
    Crate crate;
    OpenSystem s(crate);
    // The mixed board's channels 0..7 are 4 kV, 8..15 1 kV: one name, two
    // descriptors, so one call makes two requests, in list order.
    const unsigned short chs[] = {0, 8, 1, 9, 2};
    const long before = crate.count("SETCHPARAM");
    float v = 500.0f;
    ASSERT_EQ(ZEVAHV_SetChParam(s.h, 3, "VSet", 5, chs, &v), 0);
    EXPECT_EQ(crate.count("SETCHPARAM"), before + 2);
    for (int c : {0, 1, 2, 8, 9}) EXPECT_EQ(crate.control("get 3 " + std::to_string(c) + " VSet"), "OK 500");
    // One descriptor: one request.
    const unsigned short same[] = {3, 4, 5};
    ASSERT_EQ(ZEVAHV_SetChParam(s.h, 3, "VSet", 3, same, &v), 0);
    EXPECT_EQ(crate.count("SETCHPARAM"), before + 3);
}

TEST(MainframeParams, AMovedBoardAnswers20UntilTheCrateMapIsRead) {
    Crate crate;
    OpenSystem s(crate);
    ASSERT_EQ(crate.control("move 1 2").rfind("OK", 0), 0u);
    int r = 0;
    ch_float(s.h, 1, 0, "VSet", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_SYSCONFCHANGE);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "System configuration is change");
    ch_float(s.h, 2, 0, "VSet", &r);  // known to the crate, not yet to the library
    EXPECT_EQ(r, ZEVAHV_ERR_SYSCONFCHANGE);
    CrateMap map;
    ASSERT_EQ(map.read(s.h), 0);
    EXPECT_EQ(map.model_list()[2], "ZB6024N");
    ch_float(s.h, 2, 0, "VSet", &r);
    EXPECT_EQ(r, 0);
    ch_float(s.h, 1, 0, "VSet", &r);
    EXPECT_EQ(r, ZEVAHV_ERR_SYSCONFCHANGE);
}
