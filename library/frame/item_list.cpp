#include "frame/item_list.h"

#include <cstdio>

#include "frame/fields.h"

namespace zevahv {

std::vector<std::string_view> split_names(std::string_view names) {
    return split_fields(names, ':');
}

std::string item_name(ItemLevel level, std::string_view lock_name, unsigned slot,
                      unsigned channel, std::string_view name) {
    char middle[48];
    switch (level) {
    case ItemLevel::System: middle[0] = '\0'; break;
    case ItemLevel::Board: std::snprintf(middle, sizeof middle, ".Board%02u", slot); break;
    case ItemLevel::Channel:
        std::snprintf(middle, sizeof middle, ".Board%02u.CHAN%03u", slot, channel);
        break;
    }
    std::string s;
    s.reserve(lock_name.size() + 24 + name.size());
    s.append(lock_name).append(middle).append(1, '.').append(name);
    return s;
}

bool always_delivered(std::string_view name) {
    return name == "KeepAlive" || name == "LiveInsertion";
}

ItemList build_item_list(ItemLevel level, std::string_view lock_name, unsigned slot,
                         unsigned channel, const std::vector<std::string_view> &names) {
    ItemList list;
    for (unsigned i = 0; i < names.size(); ++i) {
        if (level == ItemLevel::System && always_delivered(names[i])) continue;
        if (!list.text.empty()) list.text += ':';
        list.text += item_name(level, lock_name, slot, channel, names[i]);
        list.positions.push_back(i);
    }
    return list;
}

}  // namespace zevahv
