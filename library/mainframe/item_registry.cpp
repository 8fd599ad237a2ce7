#include "mainframe/item_registry.h"

namespace zevahv::mainframe {

void ItemRegistry::reset(std::string_view system_name, int handle) {
    std::lock_guard<std::mutex> lk(mutex_);
    items_.clear();
    system_name_.assign(system_name);
    handle_ = handle;
}

void ItemRegistry::clear() {
    std::lock_guard<std::mutex> lk(mutex_);
    items_.clear();
}

void ItemRegistry::add(SubscribedItem item) {
    std::lock_guard<std::mutex> lk(mutex_);
    const std::uint32_t id = item.id;
    items_.insert_or_assign(id, std::move(item));
}

std::optional<std::uint32_t> ItemRegistry::remove(const ItemName &name) {
    std::lock_guard<std::mutex> lk(mutex_);
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        const SubscribedItem &s = it->second;
        if (s.level != name.level || name.param != s.name) continue;
        if (s.level != ItemLevel::System && s.level != ItemLevel::Notice && s.board != name.board)
            continue;
        if (s.level == ItemLevel::Channel && s.channel != name.channel) continue;
        const std::uint32_t id = it->first;
        items_.erase(it);
        return id;
    }
    return std::nullopt;
}

std::size_t ItemRegistry::size() const {
    std::lock_guard<std::mutex> lk(mutex_);
    return items_.size();
}

int ItemRegistry::handle() const {
    std::lock_guard<std::mutex> lk(mutex_);
    return handle_;
}

}  // namespace zevahv::mainframe
