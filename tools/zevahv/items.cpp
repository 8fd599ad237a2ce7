#include "items.h"

#include <charconv>

#include "failure.h"
#include "names.h"

namespace zcli {

namespace {

[[noreturn]] void malformed(const std::string& text) {
    throw Failure(kExitUsage, -1,
                  "bad item \"" + text +
                      "\": use NAME, SLOT.NAME, SLOT.CHANNELS.NAME (e.g. 0.0-3,7.VMon) or sys.NAME");
}

}  // namespace

ItemRequest parse_item(const std::string& text) {
    ItemRequest r;
    if (text.size() > 4 && equal_ignoring_case(text.substr(0, 4), "sys.")) {
        r.system = true;
        r.name = text.substr(4);
        return r;
    }
    size_t first = text.find('.');
    if (first == std::string::npos) {
        r.name = text;
    } else {
        size_t second = text.find('.', first + 1);
        unsigned slot = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + first, slot);
        if (first == 0 || ec != std::errc() || end != text.data() + first) malformed(text);
        r.slot = slot;
        if (second == std::string::npos) {
            r.name = text.substr(first + 1);
        } else {
            r.channels = text.substr(first + 1, second - first - 1);
            r.name = text.substr(second + 1);
            if (r.channels->empty()) malformed(text);
        }
    }
    if (r.name.empty() || r.name.find('.') != std::string::npos) malformed(text);
    return r;
}

std::string item_label(int slot, int channel, const std::string& name) {
    if (slot < 0) return name;
    std::string l = std::to_string(slot) + ".";
    if (channel >= 0) l += std::to_string(channel) + ".";
    return l + name;
}

}  // namespace zcli
