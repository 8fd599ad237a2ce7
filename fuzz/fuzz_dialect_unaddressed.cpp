// The unaddressed dialect ("$CMD:...", "#CMD:OK,VAL:v").
#include "dialect_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz_dialect::run(zevahv::modules::dialects::kUnaddressed, data, size);
    return 0;
}
