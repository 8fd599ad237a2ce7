// A Q3815 opened over TCP describes itself: crate map, parameter lists,
// properties, channel names, commands, and the answers to bad requests.
#include <cstring>
#include <memory>

#include "module_session.h"

namespace {

class Q3815Describe : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim_ = SimProcess::start("q3815", {"--fwrel", "2.7", "--serial", "4711"}).release();
        sys_ = new OpenSystem(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, sim_->tcp_arg(0));
    }
    static void TearDownTestSuite() {
        delete sys_;
        delete sim_;
    }
    void SetUp() override { ASSERT_EQ(sys_->result(), 0); }
    static int h() { return sys_->handle(); }

    static SimProcess *sim_;
    static OpenSystem *sys_;
};
SimProcess *Q3815Describe::sim_ = nullptr;
OpenSystem *Q3815Describe::sys_ = nullptr;

std::vector<std::string> names_of(const char *list) {
    std::vector<std::string> out;
    for (const char *p = list; *p; p += ZEVAHV_MAX_PARAM_NAME) out.emplace_back(p);
    return out;
}

}  // namespace

TEST_F(Q3815Describe, CrateMapReportsTheIdentification) {
    unsigned short slots = 0, *nch = nullptr, *ser = nullptr;
    char *models = nullptr, *descs = nullptr;
    unsigned char *lo = nullptr, *hi = nullptr;
    ASSERT_EQ(ZEVAHV_GetCrateMap(h(), &slots, &nch, &models, &descs, &ser, &lo, &hi), 0);
    EXPECT_EQ(slots, 1);
    EXPECT_EQ(nch[0], 4);
    EXPECT_STREQ(models, "Q3815");
    EXPECT_STREQ(descs, "");
    EXPECT_EQ(ser[0], 4711);
    EXPECT_EQ(lo[0], 7);
    EXPECT_EQ(hi[0], 2);
    for (void *p : {(void *)nch, (void *)models, (void *)descs, (void *)ser, (void *)lo, (void *)hi})
        ZEVAHV_Free(p);
    EXPECT_EQ(ZEVAHV_GetCrateMap(h(), &slots, nullptr, &models, &descs, &ser, &lo, &hi), 26);
}

TEST_F(Q3815Describe, ParameterListsAndCommandList) {
    char *list = nullptr;
    ASSERT_EQ(ZEVAHV_GetBdParamInfo(h(), 0, &list), 0);
    EXPECT_EQ(names_of(list), (std::vector<std::string>{"IlkStat", "Interlock", "Control",
                                                         "RTerm", "Alarm", "ClrAlarm"}));
    ZEVAHV_Free(list);

    int count = 0;
    ASSERT_EQ(ZEVAHV_GetChParamInfo(h(), 0, 3, &list, &count), 0);
    EXPECT_EQ(count, 14);
    auto names = names_of(list);
    ASSERT_EQ(names.size(), 14u);
    EXPECT_EQ(names.front(), "VSet");
    EXPECT_EQ(names[3], "ImonRange");
    EXPECT_EQ(names.back(), "Pw");
    ZEVAHV_Free(list);

    list = nullptr;
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h(), 0, 4, &list, &count), 10);
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h(), 1, 0, &list, &count), 10);
    EXPECT_EQ(ZEVAHV_GetBdParamInfo(h(), 1, &list), 10);
    EXPECT_EQ(list, nullptr);

    unsigned short n = 0;
    ASSERT_EQ(ZEVAHV_GetExecCommList(h(), &n, &list), 0);
    EXPECT_EQ(n, 1);
    EXPECT_STREQ(list, "ClrAlarm");
    ZEVAHV_Free(list);

    // No system properties on a module; no error text either.
    ASSERT_EQ(ZEVAHV_GetSysPropList(h(), &n, &list), 0);
    EXPECT_EQ(n, 0);
    EXPECT_STREQ(ZEVAHV_GetError(h()), "");
}

TEST_F(Q3815Describe, PropertiesComeFromTheTableAndTheModulesLimits) {
    unsigned u = 99;
    float f = -1;
    unsigned short us = 0;
    short s = 0;
    char text[128];

    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "VSet", "Type", &u), 0);
    EXPECT_EQ(u, 0u);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "VSet", "Mode", &u), 0);
    EXPECT_EQ(u, 2u);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "VSet", "Maxval", &f), 0);
    EXPECT_EQ(f, 8000.0f);  // VMAX of the module
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "ISet", "Decimal", &us), 0);
    EXPECT_EQ(us, 2);  // ISDEC of the module, not the table's 0
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "ISet", "Unit", &us), 0);
    EXPECT_EQ(us, ZEVAHV_PARAM_UN_AMPERE);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "ISet", "Exp", &s), 0);
    EXPECT_EQ(s, -6);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "RUp", "Unit", &us), 0);
    EXPECT_EQ(us, ZEVAHV_PARAM_UN_VPS);
    // The module opens in the high range and reports IMDEC 2 for it: the
    // low-range monitor shows two decimals more.
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "IMonH", "Decimal", &us), 0);
    EXPECT_EQ(us, 2);
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "IMonL", "Decimal", &us), 0);
    EXPECT_EQ(us, 4);

    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 2, "ImonRange", "Offstate", text), 0);
    EXPECT_STREQ(text, "Hi");
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 2, "Pw", "Onstate", text), 0);
    EXPECT_STREQ(text, "On");
    ASSERT_EQ(ZEVAHV_GetBdParamProp(h(), 0, "Interlock", "Onstate", text), 0);
    EXPECT_STREQ(text, "Closed");
    ASSERT_EQ(ZEVAHV_GetBdParamProp(h(), 0, "ClrAlarm", "Mode", &u), 0);
    EXPECT_EQ(u, 1u);
    ASSERT_EQ(ZEVAHV_GetBdParamProp(h(), 0, "Alarm", "Type", &u), 0);
    EXPECT_EQ(u, 3u);

    char enums[150];
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "VSet", "Enum", enums), 21);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "VSet", "Sign", &u), 21);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "VSet", "Colour", &u), 21);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "NoSuch", "Type", &u), 22);
    EXPECT_EQ(ZEVAHV_GetBdParamProp(h(), 0, "VSet", "Type", &u), 22);  // a channel row
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 4, "VSet", "Type", &u), 10);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 1, 0, "VSet", "Type", &u), 10);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, "VSet", "Type", nullptr), 26);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 0, nullptr, "Type", &u), 26);
}

TEST_F(Q3815Describe, ChannelNamesAndBadChannelLists) {
    const unsigned short chs[] = {0, 3};
    char names[2][ZEVAHV_MAX_CH_NAME];
    std::memset(names, 'x', sizeof names);
    ASSERT_EQ(ZEVAHV_GetChName(h(), 0, 2, chs, names), 0);
    EXPECT_STREQ(names[0], "CH00");
    EXPECT_STREQ(names[1], "CH03");
    const unsigned short bad[] = {1, 4};
    EXPECT_EQ(ZEVAHV_GetChName(h(), 0, 2, bad, names), 10);
    EXPECT_EQ(ZEVAHV_GetChName(h(), 2, 2, chs, names), 10);
    EXPECT_EQ(ZEVAHV_SetChName(h(), 0, 2, chs, "HV"), 2);

    // A list with a channel beyond the module is refused before anything
    // goes on the wire.
    sim_->control("count reset");
    float values[2];
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "VMon", 2, bad, values), 10);
    EXPECT_EQ(sim_->control("count"), "OK 0");
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "VMon", 0, nullptr, nullptr), 0);
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "VMon", 2, chs, nullptr), 26);
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "Alarm", 1, chs, values), 22);  // a board row
}
