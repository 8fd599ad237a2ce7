#include "regaccess/device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "frame/family.h"

namespace zevahv::regaccess {

namespace {

// A name of up to 9 characters as two numbers: its first eight bytes, and
// its ninth byte with its length.  Longer names get a key no row has.  (A
// loop over the few bytes: every register read looks its name up, and a
// library call for a copy of four bytes costs more than the compare.)
Device::NameKey key_of(std::string_view name) {
    Device::NameKey k;
    const std::size_t n = name.size();
    if (n > 9) {
        k.tail = ~std::uint64_t{0};
        return k;
    }
    for (std::size_t i = 0; i < n && i < 8; ++i)
        k.head |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    k.tail = (n > 8 ? static_cast<unsigned char>(name[8]) : 0u) | n << 8;
    return k;
}

std::uint32_t mask_of(const std::vector<int> &rows) {
    std::uint32_t m = 0;
    for (int r : rows) m |= 1u << r;
    return m;
}

}  // namespace

void Device::index_rows() {
    row_keys.clear();
    for (const Row &r : rows) row_keys.push_back(key_of(r.name));
    board_mask = mask_of(board_rows);
    channel_masks.clear();
    for (const auto &list : channel_rows) channel_masks.push_back(mask_of(list));
}

int Device::find_row(std::string_view name) const {
    const NameKey k = key_of(name);
    for (std::size_t i = 0; i < row_keys.size(); ++i)
        if (row_keys[i] == k) return static_cast<int>(i);
    return -1;
}

bool Device::on_board(int row) const { return row >= 0 && (board_mask >> row & 1u); }

bool Device::on_channel(int row, int channel) const {
    if (row < 0 || channel < 0 || channel >= channels) return false;
    return channel_masks[static_cast<std::size_t>(channel)] >> row & 1u;
}

int Device::read_raw(const Row &row, int channel, std::uint32_t *raw) const {
    const unsigned a = address(row, channel);
    if (row.wide) return comm.read32(handle, a, raw);
    std::uint16_t v = 0;
    const int r = comm.read16(handle, a, &v);
    if (r == 0) *raw = v;
    return r;
}

int Device::write_raw(const Row &row, int channel, std::uint32_t raw) const {
    // A two-register value goes in one 32-bit write, so that the device
    // never holds a new low half with an old high half.
    const unsigned a = address(row, channel);
    if (row.wide) return comm.write32(handle, a, raw);
    return comm.write16(handle, a, static_cast<std::uint16_t>(raw));
}

std::string Device::event_ident() const {
    char text[64];
    if (args.comm_link == kCommTcp)
        std::snprintf(text, sizeof text, "%s_%01u_%08x", args.ip.c_str(), args.node, args.base);
    else
        std::snprintf(text, sizeof text, "%01d_%01u_%08x", args.link_number, args.node, args.base);
    return text;
}

int open_device(const RegFamily &f, const OpenRequest &req, Device **out) {
    auto d = std::make_unique<Device>();
    d->family = &f;
    if (!parse_comm_args(req.arg ? req.arg : "", req.link_type, &d->args)) return -1;
    d->comm.set_trace_name(req.lock_name != nullptr ? req.lock_name : "");
    if (!d->comm.load()) return -1;
    for (const char *name : f.required_entries)
        if (name != nullptr && !d->comm.has(name)) return -1;
    {
        // The family's table holds as many systems as its traits row says.
        const int limit = req.traits != nullptr ? req.traits->max_systems : kSlots;
        std::lock_guard<std::mutex> lock(f.count->mutex);
        if (f.count->open >= limit) return -1;
        ++f.count->open;
    }
    auto give_back = [&] {
        std::lock_guard<std::mutex> lock(f.count->mutex);
        --f.count->open;
        return -1;
    };

    void *where = d->args.comm_link == kCommTcp ? static_cast<void *>(d->args.ip.data())
                                                : static_cast<void *>(&d->args.link_number);
    int handle = -1;
    if (d->comm.open_device(d->args.comm_link, where, static_cast<int>(d->args.node),
                            d->args.base, &handle) != 0)
        return give_back();
    d->handle = handle;
    const bool opened = f.open(*d) == 0;
    if (opened) d->index_rows();
    if (!opened || !start_polling(*d)) {
        d->comm.close_device(d->handle);
        return give_back();
    }
    *out = d.release();
    return 0;
}

void close_device(Device *d) {
    if (d == nullptr) return;
    const RegFamily &f = *d->family;
    // The polling thread ends before the device it reads goes away.
    d->poll.stop();
    d->comm.close_device(d->handle);
    d->comm.unload();
    delete d;
    std::lock_guard<std::mutex> lock(f.count->mutex);
    --f.count->open;
}

}  // namespace zevahv::regaccess
