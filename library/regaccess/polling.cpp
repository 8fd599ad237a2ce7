#include "regaccess/polling.h"

#include <cstring>

#include "regaccess/device.h"

namespace zevahv::regaccess {

namespace {

// Marks an error entry the library did not write: a library that answers
// fewer addresses than asked leaves the rest out of the cycle.
constexpr int kUnanswered = -0x7FFF;

bool resolve(void *device, const polling::ItemName &name, polling::Item *out) {
    const Device &d = *static_cast<const Device *>(device);
    const int row = d.find_row(name.name);
    if (row < 0 || !row_readable(d.rows[static_cast<std::size_t>(row)])) return false;
    if (name.kind == polling::ItemName::Board) {
        if (!d.on_board(row)) return false;
        *out = {row, -1};
        return true;
    }
    if (name.kind == polling::ItemName::Channel && d.on_channel(row, name.channel)) {
        *out = {row, name.channel};
        return true;
    }
    return false;
}

void plan(const Device &d, std::span<const polling::Item> items, ReadPlan *p) {
    p->items.assign(items.begin(), items.end());
    p->addrs.clear();
    p->first.clear();
    for (const polling::Item &it : items) {
        const Row &row = d.rows[static_cast<std::size_t>(it.row)];
        const unsigned a = d.address(row, it.channel);
        p->first.push_back(p->addrs.size());
        p->addrs.push_back(a);
        // Both halves of a two-register value, so that events carry the
        // same value as a read.
        if (row.wide) p->addrs.push_back(a + 2);
    }
}

void add_record(polling::Records &out, const Device &d, const polling::Item &it,
                std::uint32_t value) {
    const Row &row = d.rows[static_cast<std::size_t>(it.row)];
    const polling::RecordPlace at{.system = static_cast<int>(item_identifier(it)),
                                  .board = 0,
                                  .channel = it.channel,
                                  .item = row.name};
    if (row.type == ZEVAHV_PARAM_TYPE_NUMERIC && row.bit < 0) {
        float f;
        std::memcpy(&f, &value, sizeof f);
        out.add_float(at, ZEVAHV_PARAM_TYPE_NUMERIC, f);
    } else {
        // A register holds a number whatever the descriptor's type says:
        // a "text" row goes out as a raw value, never as text to be read up
        // to a NUL that is not there.
        const int type = row.type == ZEVAHV_PARAM_TYPE_STRING ? ZEVAHV_PARAM_TYPE_BINARY
                                                              : static_cast<int>(row.type);
        out.add_uint(at, type, value);
    }
}

// One multi-read for all items.  A failed call sends nothing this cycle; an
// item the library flags, or leaves unanswered, is left out of it.
void read(void *device, std::span<const polling::Item> items, bool changed,
          polling::Records &out) {
    Device &d = *static_cast<Device *>(device);
    ReadPlan &p = d.poll_plan;
    if (changed || p.items.size() != items.size()) plan(d, items, &p);
    if (p.addrs.empty() || !d.comm.has(CommLibrary::kMultiRead16)) return;
    std::vector<unsigned> addrs = p.addrs;  // the library takes a non-const array
    std::vector<std::uint16_t> values(addrs.size(), 0);
    std::vector<int> errors(addrs.size(), kUnanswered);
    if (d.comm.multi_read16(d.handle, addrs.data(), static_cast<int>(addrs.size()),
                            values.data(), errors.data()) != 0)
        return;
    for (std::size_t i = 0; i < p.items.size(); ++i) {
        const polling::Item &it = p.items[i];
        const Row &row = d.rows[static_cast<std::size_t>(it.row)];
        const std::size_t a = p.first[i];
        if (errors[a] != 0 || (row.wide && errors[a + 1] != 0)) continue;
        std::uint32_t raw = values[a];
        if (row.wide) raw |= static_cast<std::uint32_t>(values[a + 1]) << 16;
        std::uint32_t v = client_value(row, raw);
        if (it.channel >= 0) {
            auto &low = d.range_low[static_cast<std::size_t>(it.channel)];
            if ((row.special == Special::RangeLow && !low.load()) ||
                (row.special == Special::RangeHigh && low.load()))
                v = 0;
            if (row.special == Special::RangeSwitch) low = static_cast<std::uint8_t>(v & 1);
        }
        add_record(out, d, it, v);
    }
}

constexpr polling::Feed kFeed = {.resolve = resolve, .read = read};

}  // namespace

std::uint32_t item_identifier(const polling::Item &item) {
    if (item.channel < 0) return 0xFFFF00u + static_cast<std::uint32_t>(item.row);
    return static_cast<std::uint32_t>(item.channel) * 256u + static_cast<std::uint32_t>(item.row);
}

bool start_polling(Device &d) { return d.poll.start(kFeed, &d, d.event_ident()); }

}  // namespace zevahv::regaccess
