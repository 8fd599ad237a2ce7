// The families of the library: one row per family code, its traits beside
// its operations table.  A new family fills in its row here (the row of
// every code exists already, with a null operations table until the
// family's backend is built) and defines its operations table in its own
// folder; nothing else in the frame changes.  See library/README.md, "How to
// add a family".
#include <atomic>
#include <iterator>

#include "frame/family.h"

namespace zevahv {

// The operations tables of the built-in backends, each defined in its
// family's folder.
extern const FamilyOps q3815_ops;
extern const FamilyOps p731x_ops;
extern const FamilyOps q2904_ops;
extern const FamilyOps q2906_ops;
extern const FamilyOps mainframe_ops;
extern const FamilyOps legacy_mainframe_ops;
extern const FamilyOps w40xx_ops;
extern const FamilyOps rd40xx_ops;
extern const FamilyOps w7300_ops;
extern const FamilyOps zbk_ops;
extern const FamilyOps rd40xxe_ops;
extern const FamilyOps lumenhv_ops;
extern const FamilyOps kqps_ops;

namespace {

constexpr LinkSet kModuleLinks = LinkSet::of({ZEVAHV_LINK_TCPIP, ZEVAHV_LINK_USBVCP});
constexpr LinkSet kCommLinks = LinkSet::of(
    {ZEVAHV_LINK_USB, ZEVAHV_LINK_OPTLINK, ZEVAHV_LINK_USB3, ZEVAHV_LINK_B7301});

// Mainframes serve everything themselves; what their backend lacks is not
// offered, and subscriptions without a backend have no case (4102).
constexpr FixedAnswers kMainframeAnswers = fixed_answers({
    {Op::Subscribe, answer(ZEVAHV_ERR_INVALIDLINK)},
    {Op::UnSubscribe, answer(ZEVAHV_ERR_INVALIDLINK)},
});

// Every family but the mainframes: no system properties, no channel names to
// write, an empty command list where there are no commands.
constexpr FixedAnswers kDeviceAnswers = fixed_answers(
    {
        {Op::GetSysPropInfo, answer(ZEVAHV_ERR_PARAMNOTFOUND)},
        {Op::SetChName, answer(ZEVAHV_ERR_WRITE)},
        {Op::GetExecCommList, kEmptyList},
    },
    kMainframeAnswers);

// Text-protocol modules: an empty system property list, and property
// names they do not know.
constexpr FixedAnswers kModuleAnswers = fixed_answers(
    {
        {Op::GetSysPropList, kEmptyList},
        {Op::GetSysProp, answer(ZEVAHV_ERR_PARAMNOTFOUND)},
        {Op::SetSysProp, answer(ZEVAHV_ERR_PARAMNOTFOUND)},
    },
    kDeviceAnswers);

// RD40XX units through the communication library: no board parameters (a
// write does nothing), no commands.
constexpr FixedAnswers kRd40xxAnswers = fixed_answers(
    {
        {Op::GetSysProp, answer(ZEVAHV_ERR_PARAMNOTFOUND)},
        {Op::SetSysProp, answer(ZEVAHV_ERR_PARAMNOTFOUND)},
        {Op::GetBdParam, answer(ZEVAHV_ERR_PARAMNOTFOUND)},
        {Op::SetBdParam, answer(ZEVAHV_OK)},
        {Op::ExecComm, answer(ZEVAHV_ERR_EXECNOTAVAIL)},
    },
    kDeviceAnswers);

constexpr FamilyTraits mainframe(const char *name, const char *lock_name_format, int alias,
                                 const char *arg_prefix, EventSource events) {
    return {.name = name,
            .lock_name_format = lock_name_format,
            .alias_type = alias,
            .links = LinkSet::of({ZEVAHV_LINK_TCPIP}),
            .arg_prefix = arg_prefix,
            .events = events,
            .gated = OpSet::all(),
            .close_result = true,
            .error_text = true,
            .max_systems = 33,
            .fixed = kMainframeAnswers};
}

constexpr FamilyTraits module(const char *name, const char *lock_name_format,
                              int max_systems = 32) {
    return {.name = name,
            .lock_name_format = lock_name_format,
            .links = kModuleLinks,
            .events = EventSource::LocalPolling,
            .max_systems = max_systems,
            .fixed = kModuleAnswers};
}

// Any other system type code is a LUMENHV module: those describe their own
// parameters, so a module of a type this library has no table for is still
// served (family_of_system_type gives the LUMENHV code for it).
constexpr FamilyEntry kFamilies[] = {
    {ZEVAHV_SYS_KR2210,
     mainframe("KR2210", "ZEVA_KR2210_HVL_%03d", ZEVAHV_SYS_KR2220, "",
               EventSource::LegacyPeerFrames),
     &legacy_mainframe_ops},
    {ZEVAHV_SYS_KR2440,
     mainframe("KR2440", "ZEVA_KR2440_HVL_%03d", ZEVAHV_SYS_KR2550, "KR2440:",
               EventSource::PeerFrames),
     &mainframe_ops},
    {ZEVAHV_SYS_W40XX,
     {.name = "W40XX",
      .lock_name_format = "ZEVA_W40XX_HVL_%03d",
      .links = LinkSet{kCommLinks.bits | LinkSet::of({ZEVAHV_LINK_TCPIP}).bits},
      .events = EventSource::LocalPolling,
      .fixed = kDeviceAnswers},
     &w40xx_ops},
    {ZEVAHV_SYS_Q3815, module("Q3815", "ZEVA_Q3815_HVL_%03d"), &q3815_ops},
    {ZEVAHV_SYS_W7300,
     []() constexpr {
         // The crate power supply orders its board reads on its connection.
         FamilyTraits t = module("W7300", "ZEVA_W7300_HVL_%03d");
         t.gated = OpSet::of({Op::GetBdParam});
         return t;
     }(),
     &w7300_ops},
    {ZEVAHV_SYS_P731X, module("P731X", "ZEVA_P731X_HVL_%03d"), &p731x_ops},
    {ZEVAHV_SYS_RD40XX,
     {.name = "RD40XX",
      .lock_name_format = "ZEVA_RD40XX_HVL_%03d",
      .links = kCommLinks,
      .events = EventSource::LocalPolling,
      .fixed = kRd40xxAnswers},
     &rd40xx_ops},
    {ZEVAHV_SYS_ZBK, module("ZBK", "ZEVA_ZBK_HVL_%03d"), &zbk_ops},
    {ZEVAHV_SYS_RD40XXE, module("RD40XXE", "ZEVA_RD40XXE_HVL_%03d"), &rd40xxe_ops},
    {ZEVAHV_SYS_Q2904, module("Q2904", "ZEVA_Q2904_HVL_%03d"), &q2904_ops},
    {ZEVAHV_SYS_LUMENHV,
     []() constexpr {
         FamilyTraits t = module("LUMENHV", "ZEVA_LUMENHV_HVL_%03d");
         t.other_types = true;
         return t;
     }(),
     &lumenhv_ops},
    {ZEVAHV_SYS_KQPS, module("KQPS", "ZEVA_KQPS_HVL_%03d", 48), &kqps_ops},
    {ZEVAHV_SYS_Q2906, module("Q2906", "ZEVA_Q2906_HVL_%03d"), &q2906_ops},
};

// The lock name is printed with the row's format: it must take exactly the
// slot index ("%03d") and nothing else, and fit the slot's 80 characters.
constexpr bool sound_lock_name_format(const char *f) {
    int conversions = 0;
    int length = 0;
    for (; f[length] != '\0'; ++length) {
        if (f[length] != '%') continue;
        if (f[length + 1] != '0' || f[length + 2] != '3' || f[length + 3] != 'd') return false;
        ++conversions;
    }
    return conversions == 1 && length < 70;
}

constexpr bool sound_rows() {
    int other_types = 0;
    for (std::size_t i = 0; i < std::size(kFamilies); ++i) {
        if (kFamilies[i].traits.other_types && ++other_types > 1) return false;
        const FamilyEntry &e = kFamilies[i];
        if (e.code < 0 || e.code >= kFamilyCodeCount) return false;
        if (!sound_lock_name_format(e.traits.lock_name_format)) return false;
        if (e.traits.links.bits == 0 || e.traits.max_systems <= 0) return false;
        for (std::size_t k = 0; k < i; ++k)
            if (kFamilies[k].code == e.code || kFamilies[k].code == e.traits.alias_type)
                return false;
    }
    return true;
}
static_assert(sound_rows(), "a family row has a bad code, lock name, link set or slot limit");

// What calls see: the rows above, or what a test put in their place.
// Built before the first lookup (function-local static), so a family
// registered from a static constructor elsewhere is never overwritten.
struct Registry {
    std::array<std::atomic<const FamilyTraits *>, kFamilyCodeCount> traits{};
    std::array<std::atomic<const FamilyOps *>, kFamilyCodeCount> ops{};
    Registry() {
        for (auto &t : traits) t.store(nullptr, std::memory_order_relaxed);
        for (auto &o : ops) o.store(nullptr, std::memory_order_relaxed);
        for (const FamilyEntry &e : kFamilies) {
            traits[e.code].store(&e.traits, std::memory_order_relaxed);
            ops[e.code].store(e.ops, std::memory_order_relaxed);
        }
    }
};

Registry &registry() {
    static Registry r;
    return r;
}

bool valid_code(int family) { return family >= 0 && family < kFamilyCodeCount; }

}  // namespace

int family_of_system_type(int system_type) {
    for (int code = 0; code < kFamilyCodeCount; ++code) {
        const FamilyTraits *t = family_traits(code);
        if (t != nullptr && (code == system_type || (t->alias_type >= 0 && t->alias_type == system_type)))
            return code;
    }
    for (int code = 0; code < kFamilyCodeCount; ++code) {
        const FamilyTraits *t = family_traits(code);
        if (t != nullptr && t->other_types) return code;
    }
    return -1;
}

const FamilyTraits *family_traits(int family) {
    if (!valid_code(family)) return nullptr;
    return registry().traits[family].load(std::memory_order_acquire);
}

const FamilyOps *family_ops(int family) {
    if (!valid_code(family)) return nullptr;
    return registry().ops[family].load(std::memory_order_acquire);
}

void register_family(int family, const FamilyOps *ops, const FamilyTraits *traits) {
    if (!valid_code(family)) return;
    if (traits != nullptr) registry().traits[family].store(traits, std::memory_order_release);
    registry().ops[family].store(ops, std::memory_order_release);
}

}  // namespace zevahv
