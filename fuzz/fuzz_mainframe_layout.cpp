// The layout replies of a mainframe (crate map, board presence,
// composition) and the item names of subscriptions.  The first byte picks
// the parser.
#include "fuzz_check.h"
#include "mainframe/crate_map.h"
#include "mainframe/item_names.h"

using namespace zevahv::mainframe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    InputCursor in{data, size};
    const unsigned which = in.take() % 4;
    const Bytes rest(in.data, in.size);
    switch (which) {
    case 0: {
        std::vector<SlotInfo> slots;
        if (parse_crate_map(rest, &slots)) {
            // Every slot took at least its ':' and one byte of the reply.
            FUZZ_CHECK(slots.size() * 2 <= rest.size());
            for (const SlotInfo &s : slots) FUZZ_CHECK(s.model.size() < rest.size());
        }
        break;
    }
    case 1: {
        SlotInfo s;
        if (parse_board_presence(rest, &s)) FUZZ_CHECK(s.model.size() + s.description.size() < rest.size());
        break;
    }
    case 2: {
        std::vector<std::uint16_t> ch;
        if (parse_composition(rest, &ch)) FUZZ_CHECK(ch.size() * 4 <= rest.size());
        break;
    }
    default: {
        ItemName n;
        const std::string_view text = in.rest();
        if (parse_item_name(text, &n)) {
            FUZZ_CHECK(!n.param.empty());
            FUZZ_CHECK(inside(n.param, text));
            FUZZ_CHECK(inside(n.system, text));
        }
        break;
    }
    }
    return 0;
}
