// What the polling of a register-access device reads each cycle: the
// subscribed items, read together with one multi-read of the communication
// library.
//
// An item is a row on the board or on one channel, known to clients by its
// parameter identifier: 0xFFFF00 + row for the board, channel x 256 + row
// for a channel.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "regaccess/device.h"

namespace zevahv::regaccess {

struct PollItem {
    int row = 0;
    int channel = -1;  // -1: the board
    bool operator==(const PollItem &) const = default;
};

std::uint32_t item_identifier(const PollItem &item);

// The registers of a list of items: one address per item, and the next
// register too for a two-register row.  Built again when the list changes.
struct ReadPlan {
    std::vector<PollItem> items;
    std::vector<unsigned> addrs;
    std::vector<std::size_t> first;  // per item: its first address in addrs
};
ReadPlan plan_reads(const Device &d, std::vector<PollItem> items);

struct PolledValue {
    PollItem item;
    std::uint32_t value;  // the client's four bytes (float or unsigned)
};

enum class PollResult {
    Read,         // *out holds the items that were read (maybe not all)
    Failed,       // the multi-read failed: nothing to report this cycle
    NoMultiRead,  // the library has no multi-read: polling cannot work
};

// Reads every item of the plan with one multi-read.  An item whose
// register the library flags as failed, or leaves unanswered, is left out.
PollResult read_plan(Device &d, const ReadPlan &plan, std::vector<PolledValue> *out);

}  // namespace zevahv::regaccess
