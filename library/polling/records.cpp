#include "polling/records.h"

#include <algorithm>
#include <cstring>

namespace zevahv::polling {

void fill_record(IDValue_t *rec, int type, const RecordPlace &at, const void *value,
                 std::size_t value_len) {
    std::memset(rec, 0, sizeof *rec);
    rec->Type = type;
    rec->SystemHandle = at.system;
    rec->BoardIndex = at.board;
    rec->ChannelIndex = at.channel;
    // Names longer than the item field are cut, always terminated.
    const std::size_t n = std::min(at.item.size(), sizeof rec->Item - 1);
    std::memcpy(rec->Item, at.item.data(), n);
    if (value != nullptr && value_len > 0) {
        // Text is always terminated inside the field.
        const std::size_t room =
            type == ZEVAHV_PARAM_TYPE_STRING ? sizeof rec->Value - 1 : sizeof rec->Value;
        std::memcpy(rec->Value, value, std::min(value_len, room));
    }
}

void Records::add(const RecordPlace &at, int type, const void *value, std::size_t len) {
    fill_record(&records_.emplace_back(), type, at, value, len);
}

void Records::add_float(const RecordPlace &at, int type, float value) {
    add(at, type, &value, sizeof value);
}

void Records::add_uint(const RecordPlace &at, int type, std::uint32_t value) {
    add(at, type, &value, sizeof value);
}

void Records::add_text(const RecordPlace &at, std::string_view text) {
    add(at, ZEVAHV_PARAM_TYPE_STRING, text.data(), text.size());
}

}  // namespace zevahv::polling
