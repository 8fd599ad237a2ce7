// The items a connection has subscribed, by the identifier the mainframe
// gave each of them.  Written by subscribe and unsubscribe (request
// threads), read by the event reader (the client's event thread): one lock
// guards it, and a reader holds it only while it decodes one frame.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ZEVAHVLink.h"
#include "mainframe/description.h"
#include "mainframe/item_names.h"

namespace zevahv::mainframe {

struct SubscribedItem {
    std::uint32_t id = 0;
    ItemLevel level = ItemLevel::System;
    std::uint16_t board = 0, channel = 0;
    int kind = ZEVAHV_EVENT_PARAMETER;
    char name[ZEVAHV_EVENT_ITEM_SIZE] = {};  // the parameter part of the item name
    std::string full_name;                   // as subscribed
    // The descriptor at the time of subscription (kept by generations that
    // decode event values with it rather than with the current description).
    std::optional<ParamDescriptor> descriptor;
    // The descriptor found in the description of that serial, kept so that
    // a stream of events looks each item up once per description.  Only
    // used under the registry's lock, by a reader that holds that very
    // description.
    mutable std::uint64_t resolved_serial = 0;
    mutable const ParamDescriptor *resolved = nullptr;
};

class ItemRegistry {
public:
    using Map = std::unordered_map<std::uint32_t, SubscribedItem>;

    // Forgets every item and names the owner (system name and handle).
    void reset(std::string_view system_name, int handle);
    void clear();
    // Registers (or replaces) the item of that identifier.
    void add(SubscribedItem item);
    // Removes the item that matches the level, board, channel and parameter
    // name and gives its identifier; nothing when none does.
    std::optional<std::uint32_t> remove(const ItemName &name);
    std::size_t size() const;

    int handle() const;

    // Runs f(const Map &, int handle) under the lock.
    template <typename F>
    auto with_items(F &&f) const {
        std::lock_guard<std::mutex> lk(mutex_);
        return f(items_, handle_);
    }

private:
    mutable std::mutex mutex_;
    Map items_;
    std::string system_name_;
    int handle_ = -1;
};

}  // namespace zevahv::mainframe
