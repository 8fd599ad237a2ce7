// The KQPS line language ("X:?", "X:v", "X"; "#X:v", "#AK").
#include "dialect_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz_dialect::run(zevahv::modules::dialects::kKqps, data, size);
    return 0;
}
