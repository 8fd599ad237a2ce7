#include "mainframe/description.h"

#include <atomic>
#include <cstring>

namespace zevahv::mainframe {

namespace {

void copy_name(char *dst, std::size_t size, const unsigned char *src, std::size_t n) {
    std::size_t len = 0;
    while (len < n && len + 1 < size && src[len] != 0) ++len;
    std::memcpy(dst, src, len);
    dst[len] = '\0';
}

// n indices, each checked against the descriptor count.
bool read_indices(Cursor &in, std::size_t n, std::size_t descriptors,
                  std::vector<std::uint16_t> *out) {
    if (n * 2 > in.left()) return false;
    out->reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t idx = in.u16();
        if (idx >= descriptors) return false;
        out->push_back(idx);
    }
    return in.ok();
}

}  // namespace

const BoardDescription *SystemDescription::board(unsigned slot) const {
    for (const BoardDescription &b : boards)
        if (b.slot == slot) return &b;
    return nullptr;
}

const ParamDescriptor *SystemDescription::find(const std::vector<std::uint16_t> &indices,
                                               std::string_view name) const {
    for (std::uint16_t i : indices)
        if (name == descriptors[i].name) return &descriptors[i];
    return nullptr;
}

ParamDescriptor parse_descriptor(const unsigned char *p) {
    ParamDescriptor d;
    copy_name(d.name, sizeof d.name, p, 10);
    const std::uint32_t flags = get_be32(p + 10);
    d.type = static_cast<std::uint16_t>(flags >> 16);
    d.read_write = (flags & 0x8000u) != 0;
    d.is_signed = (flags & 0x4000u) != 0;
    const unsigned char *f = p + 14;
    if (d.type == 1) {
        copy_name(d.on_text, sizeof d.on_text, f, 8);
        copy_name(d.off_text, sizeof d.off_text, f + 8, 8);
        return d;
    }
    d.min = static_cast<std::int32_t>(get_be32(f));
    d.max = static_cast<std::int32_t>(get_be32(f + 4));
    d.decimals = static_cast<std::int16_t>(get_be16(f + 8));
    d.scale = get_be16(f + 10);
    d.unit = get_be16(f + 12);
    d.exponent = static_cast<std::int16_t>(get_be16(f + 14));
    d.further = get_be16(f + 16);
    return d;
}

bool parse_system_info(Bytes data, SystemDescription *out) {
    Cursor in(data);
    const std::size_t count = in.u16();
    in.sep();
    if (!in.ok() || count * kDescriptorSize > in.left()) return false;
    SystemDescription d;
    d.descriptors.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        d.descriptors.push_back(parse_descriptor(in.take(kDescriptorSize).data()));

    in.sep();
    const std::size_t boards = in.u16();
    if (!in.ok() || boards * 4 + 1 > in.left()) return false;
    d.boards.resize(boards);
    for (BoardDescription &b : d.boards) b.slot = in.u16();
    in.sep();
    std::vector<std::uint16_t> channels(boards);
    for (auto &c : channels) c = in.u16();
    if (!in.ok()) return false;

    for (std::size_t k = 0; k < boards; ++k) {
        BoardDescription &b = d.boards[k];
        in.sep();
        const std::size_t n = in.u16();
        in.sep();
        if (!in.ok() || !read_indices(in, n, count, &b.params) || !in.sep()) return false;
        // Each channel needs at least its count and ':' (3 bytes).
        if (std::size_t{channels[k]} * 3 > in.left()) return false;
        b.channels.resize(channels[k]);
        for (ChannelParams &ch : b.channels) {
            const std::size_t m = in.u16();
            in.sep();
            if (!in.ok() || !read_indices(in, m, count, &ch.params) || !in.sep()) return false;
        }
    }
    if (!in.ok()) return false;
    static std::atomic<std::uint64_t> serials{0};
    d.serial = ++serials;
    *out = std::move(d);
    return true;
}

}  // namespace zevahv::mainframe
