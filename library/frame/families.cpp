// The table of family backends.  Each built-in family defines one
// `const FamilyOps <name>_ops` in its own folder and adds ONE line to
// ZEVAHV_BUILTIN_FAMILIES below: X(family code, ops object).
#include "frame/families.h"

#include <array>
#include <atomic>

// Keep every line ending in a backslash; the comment line closes the list.
#define ZEVAHV_BUILTIN_FAMILIES(X) \
    X(5, w40xx_ops) \
    X(6, q3815_ops) \
    X(8, p731x_ops) \
    X(9, rd40xx_ops) \
    X(12, q2904_ops) \
    X(15, q2906_ops) \
    /* end of list */

namespace zevahv {

#define ZEVAHV_DECLARE_FAMILY(code, ops) extern const FamilyOps ops;
ZEVAHV_BUILTIN_FAMILIES(ZEVAHV_DECLARE_FAMILY)
#undef ZEVAHV_DECLARE_FAMILY

namespace {

// Built before the first lookup (function-local static), so a family
// registered from a static constructor elsewhere is never overwritten.
struct Table {
    std::array<std::atomic<const FamilyOps *>, kFamilyCodeCount> ops{};
    Table() {
        for (auto &e : ops) e.store(nullptr, std::memory_order_relaxed);
#define ZEVAHV_INSTALL_FAMILY(code, obj) \
        static_assert((code) >= 0 && (code) < kFamilyCodeCount, "family code"); \
        ops[(code)].store(&(obj), std::memory_order_relaxed);
        ZEVAHV_BUILTIN_FAMILIES(ZEVAHV_INSTALL_FAMILY)
#undef ZEVAHV_INSTALL_FAMILY
    }
};

Table &table() {
    static Table t;
    return t;
}

}  // namespace

const FamilyOps *family_ops(int family) {
    if (family < 0 || family >= kFamilyCodeCount) return nullptr;
    return table().ops[family].load(std::memory_order_acquire);
}

void register_family(int family, const FamilyOps *ops) {
    if (family < 0 || family >= kFamilyCodeCount) return;
    table().ops[family].store(ops, std::memory_order_release);
}

int family_of_system_type(int system_type) {
    switch (system_type) {
    case 0: case 1: return 0;
    case 2: case 3: return 2;
    case 5: case 6: case 7: case 8: case 9: case 10:
    case 11: case 12: case 13: case 14: case 15: return system_type;
    default: return -1;
    }
}

const char *lock_name_format(int family) {
    switch (family) {
    case 0: return "ZEVA_KR2210_HVL_%03d";
    case 2: return "ZEVA_KR2440_HVL_%03d";
    case 5: return "ZEVA_W40XX_HVL_%03d";
    case 6: return "ZEVA_Q3815_HVL_%03d";
    case 7: return "ZEVA_W7300_HVL_%03d";
    case 8: return "ZEVA_P731X_HVL_%03d";
    case 9: return "ZEVA_RD40XX_HVL_%03d";
    case 10: return "ZEVA_ZBK_HVL_%03d";
    case 11: return "ZEVA_RD40XXE_HVL_%03d";
    case 12: return "ZEVA_Q2904_HVL_%03d";
    case 13: return "ZEVA_LUMENHV_HVL_%03d";
    case 14: return "ZEVA_KQPS_HVL_%03d";
    case 15: return "ZEVA_Q2906_HVL_%03d";
    default: return nullptr;
    }
}

}  // namespace zevahv
