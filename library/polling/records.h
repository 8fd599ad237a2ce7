// The event records of one polling cycle, as a family's read callback adds
// them.  Each record has the layout of IDValue_t with its first field
// holding the value's parameter type code (ZEVAHV_PARAM_TYPE_*), which tells
// the client's reader how to copy the value; the service writes them into
// event frames with the frame's one encoder (frame/event_frame.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ZEVAHVLink.h"

namespace zevahv::polling {

// Where a value belongs: the record's system, board and channel fields and
// its item name (cut to 19 characters).
struct RecordPlace {
    int system = 0;
    int board = 0;
    int channel = -1;
    std::string_view item;
};

class Records {
public:
    explicit Records(const std::atomic<bool> *stop = nullptr) : stop_(stop) {}

    void add_float(const RecordPlace &at, int type, float value);
    void add_uint(const RecordPlace &at, int type, std::uint32_t value);
    // A text value (type 5), cut to 1023 bytes and terminated.
    void add_text(const RecordPlace &at, std::string_view text);
    // Any value bytes (cut to the 1024-byte field; for type 5 to 1023 bytes
    // and a terminator).  value may be null with len 0 (commands).
    void add(const RecordPlace &at, int type, const void *value, std::size_t len);

    // True once the device is being closed: a long cycle should end early.
    bool stopping() const { return stop_ != nullptr && stop_->load(std::memory_order_relaxed); }

    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    const std::vector<IDValue_t> &records() const { return records_; }
    void clear() { records_.clear(); }

private:
    const std::atomic<bool> *stop_;
    std::vector<IDValue_t> records_;
};

// One record as it goes on the wire (its first field the type code).
void fill_record(IDValue_t *rec, int type, const RecordPlace &at, const void *value,
                 std::size_t value_len);

}  // namespace zevahv::polling
