// A text family of the test's own, on the Q3815 simulator: its own
// identification words, a property hook that asks the module at call time,
// board presence through the engine, and a self-built row whose name is
// longer than the name lists' field, looked up by the name as listed.
#include <cstring>
#include <string>

#include "event_listener.h"
#include "frame/family.h"
#include "module_session.h"
#include "modules/family.h"
#include "modules/module.h"
#include "modules/protocol.h"

using namespace zevahv;
using namespace zevahv::modules;

namespace {

constexpr int kCode = 4;  // no built-in family has it

constexpr Row kBoardRows[] = {
    {.name = "Alarm", .mnemonic = "BDALARM", .type_mode = type_mode(kBdStatus, kRead)},
};

// The rows: one from the table, and one with a long name as a
// self-describing module would report it.
int build_rows(Module &m) {
    for (const Row &r : kBoardRows)
        if (add_board_row(m, r) < 0) return -1;
    Row vset = {.name = "VSet", .mnemonic = "VSET", .type_mode = type_mode(kNumeric, kReadWrite),
                .idigits = 4, .ddigits = 1, .unit = ZEVAHV_PARAM_UN_VOLT};
    Row vmon = {.name = "VoltageMonitor", .mnemonic = "VMON",
                .type_mode = type_mode(kNumeric, kRead), .unit = ZEVAHV_PARAM_UN_VOLT};
    return add_channel_row(m, vset) < 0 || add_channel_row(m, vmon) < 0 ? -1 : 0;
}

// "Maxval" of VSet is what the module says when asked; "Decimal" is not
// answered; anything else as the row says.
int property(Module &m, int row, int channel, std::string_view prop, void *value) {
    if (std::strcmp(m.rows[row].name, "VSet") != 0) return kStandardProperty;
    if (prop == "Decimal") return ZEVAHV_ERR_PARAMPROPNOTFOUND;
    if (prop != "Maxval") return kStandardProperty;
    std::string text;
    float v = 0;
    if (monitor(m, "VMAX", channel, &text) || !parse_float(text, &v)) return ZEVAHV_ERR_READ;
    std::memcpy(value, &v, sizeof v);
    return ZEVAHV_OK;
}

constexpr FamilyDesc kDesc = {
    .name = "HOOKS",
    .tcp_port = 1470,
    .dialect = &dialects::kAddressed,
    .ident = {.serial = nullptr},  // this family's modules have no serial word
    .model_word = "Q3815",
    .board_presence = true,
    .hooks = {.build_rows = build_rows, .property = property},
};
const FamilyOps kOps = make_family_ops<kDesc>();

FamilyTraits traits() {
    FamilyTraits t = *family_traits(ZEVAHV_SYS_Q3815);
    t.name = "HOOKS";
    t.lock_name_format = "ZEVA_HOOKS_HVL_%03d";
    return t;
}
const FamilyTraits kTraits = traits();

class EngineHooks : public ::testing::Test {
protected:
    void SetUp() override {
        register_family(kCode, &kOps, &kTraits);
        sim_ = SimProcess::start("q3815", {"--fwrel", "3.4", "--serial", "4711"});
        ASSERT_EQ(sys_.open(kCode, ZEVAHV_LINK_TCPIP, sim_->tcp_arg(0)), 0);
    }
    void TearDown() override {
        sys_.close();
        register_family(kCode, nullptr);
    }
    int h() const { return sys_.handle(); }

    std::unique_ptr<SimProcess> sim_;
    OpenSystem sys_;
};

}  // namespace

TEST_F(EngineHooks, IdentificationUsesTheFamilysWords) {
    EXPECT_EQ(commands_with(*sim_, {"PAR:BDNAME"}), 1);
    EXPECT_EQ(commands_with(*sim_, {"PAR:BDSNUM"}), 0) << "no serial word: not asked";
    unsigned short slots = 0, *nch = nullptr, *ser = nullptr;
    char *models = nullptr, *descs = nullptr;
    unsigned char *lo = nullptr, *hi = nullptr;
    ASSERT_EQ(ZEVAHV_GetCrateMap(h(), &slots, &nch, &models, &descs, &ser, &lo, &hi), 0);
    EXPECT_EQ(ser[0], 0);
    EXPECT_EQ(hi[0], 3);
    EXPECT_EQ(lo[0], 4);
    for (void *p : {(void *)nch, (void *)models, (void *)descs, (void *)ser, (void *)lo, (void *)hi})
        ZEVAHV_Free(p);
}

TEST_F(EngineHooks, PropertiesGoThroughTheFamilysHookFirst) {
    float max = 0;
    const int before = commands_with(*sim_, {"PAR:VMAX"});
    ASSERT_EQ(ZEVAHV_GetChParamProp(h(), 0, 1, "VSet", "Maxval", &max), 0);
    EXPECT_EQ(max, 8000.0f);
    EXPECT_EQ(commands_with(*sim_, {"PAR:VMAX", "CH:1"}), 1) << "asked at the time of the call";
    EXPECT_EQ(commands_with(*sim_, {"PAR:VMAX"}), before + 1);
    unsigned short dec = 0;
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 1, "VSet", "Decimal", &dec),
              ZEVAHV_ERR_PARAMPROPNOTFOUND);
    unsigned type = 9, unit = 0;
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 1, "VSet", "Type", &type), 0);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h(), 0, 1, "VoltageMonitor", "Unit", &unit), 0);
    EXPECT_EQ(unit & 0xFFFF, unsigned(ZEVAHV_PARAM_UN_VOLT));
}

TEST_F(EngineHooks, BoardPresenceAsksTheModuleAgain) {
    unsigned short nch = 0, ser = 99;
    char *model = nullptr, *desc = nullptr;
    unsigned char lo = 0, hi = 0;
    const int before = commands_with(*sim_, {"PAR:BDFREL"});
    ASSERT_EQ(ZEVAHV_TestBdPresence(h(), 0, &nch, &model, &desc, &ser, &lo, &hi), 0);
    EXPECT_STREQ(model, "Q3815");
    EXPECT_STREQ(desc, "");
    EXPECT_EQ(nch, 4);
    EXPECT_EQ(ser, 0);
    EXPECT_EQ(hi, 3);
    EXPECT_EQ(lo, 4);
    EXPECT_EQ(commands_with(*sim_, {"PAR:BDFREL"}), before + 1);
    ZEVAHV_Free(model);
    ZEVAHV_Free(desc);

    model = desc = nullptr;
    EXPECT_EQ(ZEVAHV_TestBdPresence(h(), 1, &nch, &model, &desc, &ser, &lo, &hi),
              ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(model, nullptr);
}

TEST_F(EngineHooks, ALongNameIsFoundAsTheListGivesIt) {
    char *list = nullptr;
    int n = 0;
    ASSERT_EQ(ZEVAHV_GetChParamInfo(h(), 0, 0, &list, &n), 0);
    ASSERT_EQ(n, 2);
    const std::string listed(list + ZEVAHV_MAX_PARAM_NAME);
    ZEVAHV_Free(list);
    EXPECT_EQ(listed, "VoltageMo");
    unsigned short ch = 2;
    float v = -1;
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, listed.c_str(), 1, &ch, &v), 0);
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "VoltageMonitor", 1, &ch, &v), 0);
    EXPECT_EQ(ZEVAHV_GetChParam(h(), 0, "VoltageM", 1, &ch, &v), ZEVAHV_ERR_PARAMNOTFOUND);
    char res[1] = {9};
    std::string item = "ZEVA_HOOKS_HVL_000.Board00.CHAN002." + listed;
    EventListener events;
    ASSERT_EQ(ZEVAHV_Subscribe(h(), static_cast<short>(events.port()), 1, item.c_str(), res), 0);
    EXPECT_EQ(res[0], 0) << "subscribed by the name as listed";
}
