#include "mainframe/event_frame.h"

#include <cstring>

#include "mainframe/convert.h"

namespace zevahv::mainframe {

namespace {

constexpr std::uint8_t kNoticeSlot = 254;
constexpr std::uint8_t kFirstSystemSlot = 16;
constexpr std::uint16_t kBoardChannel = 0xFFFF;

// Fills the head of a zero-filled record.
IDValue_t &start_record(IDValue_t &r, int handle, int kind, const char *item) {
    r.Type = kind;
    r.SystemHandle = handle;
    r.BoardIndex = -1;
    r.ChannelIndex = -1;
    std::memcpy(r.Item, item, std::min(std::strlen(item), sizeof r.Item - 1));
    return r;
}

// A number travels as 4 big-endian bytes; a shorter value reads as if
// padded with zeros at the front.
std::uint32_t value_number(Bytes v) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < v.size() && i < 4; ++i) n = (n << 8) | v[i];
    return n;
}

void put_text(IDValue_t *r, Bytes v) {
    const std::size_t n = std::min<std::size_t>(v.size(), sizeof r->Value - 1);
    std::memcpy(r->Value, v.data(), n);
    r->Value[n] = '\0';
}

void put_number(IDValue_t *r, const ParamDescriptor *d, std::uint32_t raw) {
    if (d != nullptr && d->type == 0) {
        const float f = raw_to_value(*d, raw);
        std::memcpy(r->Value, &f, sizeof f);
    } else {
        std::memcpy(r->Value, &raw, sizeof raw);
    }
}

const ParamDescriptor *look_up(const SystemDescription *d, const SubscribedItem &s) {
    const BoardDescription *b = d->board(s.board);
    if (b == nullptr) return nullptr;
    if (s.level == ItemLevel::Board) return d->find(b->params, s.name);
    if (s.channel >= b->channels.size()) return nullptr;
    return d->find(b->channels[s.channel].params, s.name);
}

const ParamDescriptor *current_descriptor(const SystemDescription *d, const SubscribedItem &s) {
    if (d == nullptr) return nullptr;
    if (d->serial == 0) return look_up(d, s);  // a description not read from a crate
    if (s.resolved_serial != d->serial) {
        s.resolved = look_up(d, s);
        s.resolved_serial = d->serial;
    }
    return s.resolved;
}

}  // namespace

int state_value(std::uint8_t state) {
    if (state == 1) return 0;
    if (state == 11) return 2;
    if (state >= 2 && state <= 10) return 1;
    return 3;
}

int parse_frame_header(Bytes header, FrameHeader *out) {
    if (header.size() < kFrameHeaderSize || std::memcmp(header.data(), "ZEVAHV", 6) != 0)
        return ZEVAHV_ERR_COMMUNICATIONERROR;
    FrameHeader h;
    h.items = get_be32(&header[20]);
    for (int b = 0; b < 16; ++b) h.status.Board[b] = state_value(header[24 + b]);
    h.status.System = state_value(header[40]);
    const std::uint32_t total = get_be32(&header[41]);
    if (total < kFrameHeaderSize || total > kMaxFrameSize) return ZEVAHV_ERR_COMMUNICATIONERROR;
    h.body_size = total - static_cast<std::uint32_t>(kFrameHeaderSize);
    *out = h;
    return ZEVAHV_OK;
}

int decode_frame_items(Bytes body, std::uint32_t n, const SystemDescription *description,
                       const ItemRegistry::Map &items, int handle, IDValue_t *out,
                       std::size_t *made) {
    Cursor in(body);
    std::size_t k = 0;
    *made = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t id = in.u32();
        const std::uint16_t form = in.u16();
        const std::uint16_t len = in.u16();
        const Bytes value = in.take(len);
        if (!in.ok()) return ZEVAHV_ERR_COMMUNICATIONERROR;
        const auto slot = static_cast<std::uint8_t>(id >> 24);
        const auto channel = static_cast<std::uint16_t>(id >> 8);
        const bool text = form != 0;

        if (slot == kNoticeSlot) {
            static constexpr struct { int kind; const char *item; } kNotices[] = {
                {ZEVAHV_EVENT_KEEPALIVE, "KeepAlive"},
                {ZEVAHV_EVENT_LIVEINSERTION, "LiveInsertion"},
                {ZEVAHV_EVENT_TRMODE, "Tr-Mode"},
            };
            const unsigned which = id & 0xFFu;
            if (which >= 3) continue;
            IDValue_t &r = start_record(out[k++], handle, kNotices[which].kind, kNotices[which].item);
            const std::uint32_t v = value_number(value.first(std::min<std::size_t>(2, value.size())));
            std::memcpy(r.Value, &v, sizeof v);
            continue;
        }
        // Identifiers beyond the notices name nothing the library subscribed.
        if (slot > kNoticeSlot) continue;
        const auto it = items.find(id);
        if (it == items.end()) continue;  // no longer subscribed
        const SubscribedItem &s = it->second;
        IDValue_t &r = start_record(out[k], handle, s.kind, s.name);
        if (slot >= kFirstSystemSlot) {
            if (text) put_text(&r, value);
            else put_number(&r, nullptr, value_number(value));
            ++k;
            continue;
        }
        r.BoardIndex = slot;
        r.ChannelIndex = channel == kBoardChannel ? -1 : channel;
        if (text) {
            put_text(&r, value);
        } else if (s.descriptor) {
            put_number(&r, &*s.descriptor, value_number(value));
        } else if (s.level == ItemLevel::Board || s.level == ItemLevel::Channel) {
            const ParamDescriptor *d = current_descriptor(description, s);
            if (d == nullptr) {
                std::memset(&r, 0, sizeof r);
                return ZEVAHV_ERR_SYSCONFCHANGE;
            }
            put_number(&r, d, value_number(value));
        } else {
            put_number(&r, nullptr, value_number(value));
        }
        ++k;
    }
    if (k == 0) start_record(out[k++], handle, ZEVAHV_EVENT_KEEPALIVE, "KeepAlive");
    *made = k;
    return ZEVAHV_OK;
}

}  // namespace zevahv::mainframe
