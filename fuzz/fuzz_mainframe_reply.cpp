// Replies of a mainframe to a request: the header (command name, session,
// status, text) and, for a successful reply, the data of the system
// properties.  The first input byte picks the command the reply answers.
#include <cstring>

#include "fuzz_check.h"
#include "mainframe/commands.h"
#include "mainframe/generation.h"
#include "mainframe/properties.h"

using namespace zevahv::mainframe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    InputCursor in{data, size};
    const Generation &g = (in.take() & 1) ? kLegacyGeneration : kCurrentGeneration;
    const auto props = all_properties();
    const SysProp &p = props[in.take() % props.size()];
    if (!has(g, p)) return 0;
    const char *name = p.get_command ? p.get_command : "GETSYSINFO";
    const Command *cmd = find_command(name, g.commands);
    FUZZ_CHECK(cmd != nullptr);

    const Bytes payload(in.data, in.size);
    ReplyHeader h;
    if (parse_reply(payload, *cmd, &h) != 0) return 0;
    FUZZ_CHECK(h.data_offset <= payload.size());
    FUZZ_CHECK(inside(h.text, as_text(in.data, in.size)));
    if (h.status != 0 || p.get_command == nullptr) return 0;

    PropertyValue v;
    if (!decode_property(g, p, payload.subspan(h.data_offset), &v)) return 0;
    char out[kPropertyTextSize + 8];
    std::memset(out, 0x5A, sizeof out);
    store_property(v, out);
    FUZZ_CHECK(out[kPropertyTextSize] == 0x5A);  // never past the longest text
    if (v.form == PropertyValue::Text) FUZZ_CHECK(std::memchr(out, 0, kPropertyTextSize) != nullptr);
    return 0;
}
