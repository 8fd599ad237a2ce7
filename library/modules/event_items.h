// Subscription item names and the event frames of the polling thread, as
// pure functions over text and bytes.
//
// Item names: "<system>.<name>", "<system>.Board<nn>.<name>",
// "<system>.Board<nn>.CHAN<nnn>.<name>" ("BOARD" and "Chan" are accepted
// too), several joined by ':'.
//
// Frame: "ZEVAHV", the total length (10 + 1060 x n) as a 32-bit big-endian
// number, then n records in the layout of IDValue_t in host order, the first
// field carrying the value's type code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ZEVAHVLink.h"

namespace zevahv::modules {

struct ItemRef {
    enum Kind { System, Board, Channel, Invalid } kind = Invalid;
    int channel = -1;        // Channel items
    std::string_view name;   // the parameter name
};

// Splits an item list at ':'.  A null or empty list has no items.
std::vector<std::string_view> split_items(const char *list);

ItemRef parse_item(std::string_view item);

// One record.  type: the value's type code; the value bytes are cut to the
// 1024-byte field (text, type 5, to 1023 bytes and a terminator).
void fill_record(IDValue_t *rec, int type, int system, int board, int channel,
                 std::string_view item, const void *value, std::size_t value_len);

// The frame bytes of n records.
std::string build_frame(const std::vector<IDValue_t> &records);

inline constexpr std::size_t kFrameHeaderSize = 10;

}  // namespace zevahv::modules
