// What the register-access families feed their devices' polling services
// (polling/): which row an item name subscribes, and how a cycle reads the
// subscribed items, all of them with one multi-read of the communication
// library.
#pragma once

#include <cstdint>
#include <vector>

#include "polling/poll_service.h"

namespace zevahv::regaccess {

struct Device;

// The registers of the subscribed items: one address per item, and the next
// register too for a two-register row.  Built again when the list changes;
// touched by the polling thread only.
struct ReadPlan {
    std::vector<polling::Item> items;
    std::vector<unsigned> addrs;
    std::vector<std::size_t> first;  // per item: its first address in addrs
};

// An item's parameter identifier, the system field of its event records:
// 0xFFFF00 + row for the board, channel x 256 + row for a channel.
std::uint32_t item_identifier(const polling::Item &item);

// Starts the device's polling thread; false when it cannot run.
bool start_polling(Device &d);

}  // namespace zevahv::regaccess
