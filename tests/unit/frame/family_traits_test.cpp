// The frame follows a family's traits row, and nothing else: a family put
// behind a code that no built-in family uses gets its lock name, links,
// argument, gates, close result, error text, fixed answers and event route
// from its row alone.
#include <string>

#include <gtest/gtest.h>

#include "ZEVAHVLink.h"
#include "fake_family.h"

using namespace zevahv;

namespace {

constexpr int kFreeCode = 4;  // no built-in family has it

FamilyTraits test_traits() {
    FamilyTraits t;
    t.name = "TEST";
    t.lock_name_format = "ZEVA_TEST_HVL_%03d";
    t.alias_type = 16;
    t.links = LinkSet::of({ZEVAHV_LINK_USB3, ZEVAHV_LINK_TCPIP});
    t.arg_prefix = "T:";
    t.events = EventSource::PeerFrames;
    t.gated = OpSet::of({Op::GetChParam, Op::Close});
    t.close_result = true;
    t.error_text = true;
    t.fixed = fixed_answers({{Op::SetChName, answer(ZEVAHV_ERR_NOTEXECOMM)},
                             {Op::GetExecCommList, kEmptyList}});
    return t;
}
const FamilyTraits kTestTraits = test_traits();

int open_as(int type, int link, const char *addr, int *h) {
    return ZEVAHV_InitSystem(type, link, const_cast<char *>(addr), nullptr, nullptr, h);
}

}  // namespace

TEST(FamilyTraits, OpenTakesNameLinksAndArgumentFromTheRow) {
    FakeFamilies fam({}, nullptr);
    // No family at the code yet: it is taken for a LUMENHV module (here one
    // without a backend).
    fam.add(ZEVAHV_SYS_LUMENHV, nullptr);
    int h = -1;
    EXPECT_EQ(open_as(kFreeCode, 0, "10.0.0.1", &h), ZEVAHV_ERR_OPENFAILED);
    fam.add(kFreeCode, &kFullOps, &kTestTraits);

    EXPECT_EQ(open_as(kFreeCode, ZEVAHV_LINK_USBVCP, "ttyUSB0", &h), ZEVAHV_ERR_INVALIDPARAMETER);
    ASSERT_EQ(open_as(kFreeCode, ZEVAHV_LINK_USB3, "2", &h), 0);
    {
        std::lock_guard<std::mutex> lk(fake().m);
        EXPECT_EQ(fake().opens.back().lock_name, "ZEVA_TEST_HVL_000");
        EXPECT_EQ(fake().opens.back().arg, "T:2");
        EXPECT_EQ(fake().opens.back().transport, "USB3");
    }
    // The alias code folds into the family's code.
    int h2 = -1;
    ASSERT_EQ(open_as(16, ZEVAHV_LINK_TCPIP, "10.0.0.2", &h2), 0);
    {
        std::lock_guard<std::mutex> lk(fake().m);
        EXPECT_EQ(fake().opens.back().family, kFreeCode);
        EXPECT_EQ(fake().opens.back().system_type, 16);
    }
    EXPECT_STREQ(ZEVAHVGetError("ZEVA_TEST_HVL_001"), "Timeout from server");

    fake().close_result = 7;
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 7) << "the row says close's result counts";
}

TEST(FamilyTraits, FixedAnswersAndGatesComeFromTheRow) {
    FakeFamilies fam({}, nullptr);
    fam.add(kFreeCode, &kBareOps, &kTestTraits);
    int h = -1;
    ASSERT_EQ(open_as(kFreeCode, ZEVAHV_LINK_TCPIP, "10.0.0.1", &h), 0);
    unsigned short ch = 0;
    EXPECT_EQ(ZEVAHV_SetChName(h, 0, 1, &ch, "x"), ZEVAHV_ERR_NOTEXECOMM);
    EXPECT_EQ(ZEVAHV_ExecComm(h, "x"), ZEVAHV_ERR_NOTPRES) << "not named: not offered";
    unsigned short n = 5;
    char *list = reinterpret_cast<char *>(&n);
    EXPECT_EQ(ZEVAHV_GetExecCommList(h, &n, &list), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(list, nullptr);
    ASSERT_EQ(ZEVAHV_DeinitSystem(h), 0);

    // The gated operation runs one at a time on the system.
    fam.add(kFreeCode, &kFullOps, &kTestTraits);
    ASSERT_EQ(open_as(kFreeCode, ZEVAHV_LINK_TCPIP, "10.0.0.1", &h), 0);
    EXPECT_EQ(most_inside_at_once(h, 4, 100), 1);
    EXPECT_EQ(fake().calls.load(), 400);
}

TEST(FamilyTraits, BuiltInRowsKeepTheirCodesAndNames) {
    // Every family code that a system type folds into, with its lock name.
    const struct {
        int type, family;
        const char *lock_name_format;
    } want[] = {
        {ZEVAHV_SYS_KR2210, ZEVAHV_SYS_KR2210, "ZEVA_KR2210_HVL_%03d"},
        {ZEVAHV_SYS_KR2220, ZEVAHV_SYS_KR2210, "ZEVA_KR2210_HVL_%03d"},
        {ZEVAHV_SYS_KR2440, ZEVAHV_SYS_KR2440, "ZEVA_KR2440_HVL_%03d"},
        {ZEVAHV_SYS_KR2550, ZEVAHV_SYS_KR2440, "ZEVA_KR2440_HVL_%03d"},
        {ZEVAHV_SYS_W40XX, ZEVAHV_SYS_W40XX, "ZEVA_W40XX_HVL_%03d"},
        {ZEVAHV_SYS_Q3815, ZEVAHV_SYS_Q3815, "ZEVA_Q3815_HVL_%03d"},
        {ZEVAHV_SYS_W7300, ZEVAHV_SYS_W7300, "ZEVA_W7300_HVL_%03d"},
        {ZEVAHV_SYS_P731X, ZEVAHV_SYS_P731X, "ZEVA_P731X_HVL_%03d"},
        {ZEVAHV_SYS_RD40XX, ZEVAHV_SYS_RD40XX, "ZEVA_RD40XX_HVL_%03d"},
        {ZEVAHV_SYS_ZBK, ZEVAHV_SYS_ZBK, "ZEVA_ZBK_HVL_%03d"},
        {ZEVAHV_SYS_RD40XXE, ZEVAHV_SYS_RD40XXE, "ZEVA_RD40XXE_HVL_%03d"},
        {ZEVAHV_SYS_Q2904, ZEVAHV_SYS_Q2904, "ZEVA_Q2904_HVL_%03d"},
        {ZEVAHV_SYS_LUMENHV, ZEVAHV_SYS_LUMENHV, "ZEVA_LUMENHV_HVL_%03d"},
        {ZEVAHV_SYS_KQPS, ZEVAHV_SYS_KQPS, "ZEVA_KQPS_HVL_%03d"},
        {ZEVAHV_SYS_Q2906, ZEVAHV_SYS_Q2906, "ZEVA_Q2906_HVL_%03d"},
    };
    for (const auto &w : want) {
        EXPECT_EQ(family_of_system_type(w.type), w.family) << w.type;
        ASSERT_NE(family_traits(w.family), nullptr);
        EXPECT_STREQ(family_traits(w.family)->lock_name_format, w.lock_name_format);
    }
    // Codes that no family claims are served as self-describing modules.
    for (int type : {4, 16, -1, 99})
        EXPECT_EQ(family_of_system_type(type), ZEVAHV_SYS_LUMENHV) << type;
    // The slot limits of the families' own tables.
    EXPECT_EQ(family_traits(ZEVAHV_SYS_KQPS)->max_systems, 48);
    EXPECT_EQ(family_traits(ZEVAHV_SYS_Q3815)->max_systems, 32);
    EXPECT_EQ(family_traits(ZEVAHV_SYS_KR2440)->max_systems, 33);
}
