// Family codes and the built-in backends behind them.
#pragma once

#include "frame/backend.h"

namespace zevahv {

// Family codes run 0..15 (system type codes 1 and 3 fold into 0 and 2).
constexpr int kFamilyCodeCount = 16;

// The family code of a system type code: 1 -> 0, 3 -> 2, others unchanged.
// -1 for codes no family claims (4 and 16 upward, negative codes).
int family_of_system_type(int system_type);

// The lock name format of a family code ("ZEVA_Q3815_HVL_%03d"), or null.
const char *lock_name_format(int family);

}  // namespace zevahv
