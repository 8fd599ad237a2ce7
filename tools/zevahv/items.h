#pragma once
// Monitor items as typed: "VMon", "0.VMon", "0.0-3,7.VMon", "sys.NAME"; and
// the labels events are printed under ("0.3.VMon", "0.Offset", "NAME").

#include <optional>
#include <string>

namespace zcli {

struct ItemRequest {
    std::optional<unsigned> slot;
    std::optional<std::string> channels;
    std::string name;
    bool system = false;  // "sys.NAME": a system property
};

// Throws Failure(kExitUsage) for a malformed item.
ItemRequest parse_item(const std::string& text);

std::string item_label(int slot, int channel, const std::string& name);

}  // namespace zcli
