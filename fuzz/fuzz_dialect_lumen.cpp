// The dialect of the self-describing modules (with or without an address, INFO).
#include "dialect_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz_dialect::run(zevahv::modules::dialects::kLumen, data, size);
    return 0;
}
