// Subscription item lists as a caller passes them ("<system>.Board<nn>.
// CHAN<nnn>.<name>" joined by ':'): the module side's split and parse, and
// the frame side's list building from a caller's name list.
#include <string>

#include "frame/item_list.h"
#include "fuzz_check.h"
#include "polling/items.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    InputCursor in{data, size};
    const unsigned slot = in.take();
    const unsigned channel = in.take();
    std::string text(in.rest());
    text = text.substr(0, text.find('\0'));  // a C string from the caller

    const auto items = zevahv::polling::split_items(text.c_str());
    for (std::string_view item : items) {
        FUZZ_CHECK(inside(item, text));
        FUZZ_CHECK(item.find(':') == std::string_view::npos);
        const auto ref = zevahv::polling::parse_item(item);
        if (ref.kind != zevahv::polling::ItemName::Invalid) FUZZ_CHECK(inside(ref.name, item));
        if (ref.kind == zevahv::polling::ItemName::Channel) FUZZ_CHECK(ref.channel >= 0);
    }

    const auto names = zevahv::split_names(text);
    for (auto level : {zevahv::ItemLevel::System, zevahv::ItemLevel::Board,
                       zevahv::ItemLevel::Channel}) {
        const auto list = zevahv::build_item_list(level, "ZEVA_Q3815_HVL_007", slot, channel, names);
        FUZZ_CHECK(list.positions.size() <= names.size());
        for (unsigned p : list.positions) FUZZ_CHECK(p < names.size());
        // What the frame builds, the module side must read back item for item:
        // a channel item names the channel and the caller's name unchanged.
        const auto back = zevahv::polling::split_items(list.text.c_str());
        FUZZ_CHECK(back.size() == list.positions.size());
        if (level != zevahv::ItemLevel::Channel) continue;
        for (std::size_t k = 0; k < back.size(); ++k) {
            const auto ref = zevahv::polling::parse_item(back[k]);
            const std::string_view name = names[list.positions[k]];
            if (name.empty()) {
                FUZZ_CHECK(ref.kind == zevahv::polling::ItemName::Invalid);
                continue;
            }
            FUZZ_CHECK(ref.kind == zevahv::polling::ItemName::Channel);
            FUZZ_CHECK(ref.channel == static_cast<int>(channel));
            FUZZ_CHECK(ref.name == name);
        }
    }
    return 0;
}
