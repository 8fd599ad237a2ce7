// The event messages of the legacy mainframes, single and batch, and the
// 325-byte records made from them.
#include <cstring>

#include "fuzz_check.h"
#include "mainframe/legacy/legacy_events.h"

using namespace zevahv::mainframe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > kLegacyMaxMessage) size = kLegacyMaxMessage;
    std::vector<LegacyEvent> events;
    const int r = parse_legacy_message(Bytes(data, size), &events);
    if (size < kLegacyMinMessage) FUZZ_CHECK(r == ZEVAHV_ERR_SYSERR);
    if (r != 0) return 0;
    const std::string_view whole = as_text(data, size);
    for (const LegacyEvent &e : events) FUZZ_CHECK(inside(e.text_value, whole));

    ItemRegistry::Map items;
    for (std::uint32_t id = 0; id < 4; ++id) {
        SubscribedItem s;
        s.id = id;
        s.full_name.assign(100, 'n');  // longer than the record's field
        if (id == 1) {
            ParamDescriptor d;
            d.decimals = 1;
            d.scale = 3;
            s.descriptor = d;
        }
        items[id] = s;
    }
    std::vector<unsigned char> out;
    decode_legacy_events(events, items, &out);
    FUZZ_CHECK(out.size() % kLegacyRecordSize == 0);
    for (std::size_t at = 0; at < out.size(); at += kLegacyRecordSize) {
        FUZZ_CHECK(out[at + kLegacyNameOffset + kLegacyNameSize - 1] == 0);
        FUZZ_CHECK(out[at + kLegacyTextOffset + kLegacyTextSize - 1] == 0);
    }
    return 0;
}
