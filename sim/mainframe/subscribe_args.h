#pragma once
// The argument lists of the subscribe commands. A subscription names its
// items by place and name: kind (2 bytes) ':' then board (2) ':' channel (2)
// ':' name for a channel item (kind 0), board ':' name for a board item (1),
// the name for a system item (2) or a notice (3, "KeepAlive"/"LiveInsRem");
// every item ends with ':' except the last, which ends with a NUL. Before the
// items: the client's port (2) ':' the item count (2) ':'. An unsubscription
// carries the same list, or 4-byte identifiers in place of the items.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim::mf {

enum ItemKind : uint16_t { kItemChannel = 0, kItemBoard = 1, kItemSystem = 2, kItemNotice = 3 };

struct ItemRef {
    uint16_t kind = kItemSystem;
    uint16_t board = 0;
    uint16_t channel = 0;
    std::string name;
};

struct SubscribeArgs {
    uint16_t port = 0;
    uint16_t count = 0;
    std::vector<ItemRef> items;     // named items
    std::vector<uint32_t> ids;      // or identifiers (unsubscribe)
};

// Nothing when the bytes are not such a list or the count disagrees with it.
std::optional<SubscribeArgs> parse_subscribe_args(std::string_view args);
// Either form; identifiers are tried when the items do not parse.
std::optional<SubscribeArgs> parse_unsubscribe_args(std::string_view args);

// The identifier an unsubscription sends when it does not know one.
constexpr uint32_t kNoIdentifier = 0xFFFFFFFEu; // -2

} // namespace sim::mf
