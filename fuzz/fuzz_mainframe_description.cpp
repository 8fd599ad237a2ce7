// The system description of a "GETSYSINFO" reply: every index that a
// parsed description holds must name one of its descriptors, and every name
// must be terminated.
#include <cstring>

#include "fuzz_check.h"
#include "mainframe/description.h"

using namespace zevahv::mainframe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    SystemDescription d;
    if (!parse_system_info(Bytes(data, size), &d)) return 0;
    FUZZ_CHECK(d.descriptors.size() * kDescriptorSize <= size);
    for (const ParamDescriptor &p : d.descriptors) {
        FUZZ_CHECK(std::memchr(p.name, 0, sizeof p.name) != nullptr);
        FUZZ_CHECK(std::memchr(p.on_text, 0, sizeof p.on_text) != nullptr);
        FUZZ_CHECK(std::memchr(p.off_text, 0, sizeof p.off_text) != nullptr);
    }
    for (const BoardDescription &b : d.boards) {
        for (auto i : b.params) FUZZ_CHECK(i < d.descriptors.size());
        for (const ChannelParams &c : b.channels)
            for (auto i : c.params) FUZZ_CHECK(i < d.descriptors.size());
        FUZZ_CHECK(d.board(b.slot) != nullptr);
    }
    return 0;
}
