#include "mainframe/event_frames.h"

#include "mainframe/bytes.h"

namespace sim::mf {

namespace {

constexpr size_t kLegacyBatchHeader = 10;
constexpr size_t kLegacyEventHead = 18; // flag, 1, three numbers, length, 0

std::string legacy_value(const EventItem& it) {
    return it.text ? it.value.substr(0, kLegacyMaxText) : it.value;
}

void legacy_event(ByteWriter& w, const EventItem& it, uint32_t seq, uint32_t millis) {
    std::string v = legacy_value(it);
    w.u8(it.text ? 1 : 0).u8(1).u32(seq).u32(millis).u32(it.id);
    w.u16(static_cast<uint16_t>(v.size())).u16(0).text(v);
}

std::string legacy_batch(const std::vector<const EventItem*>& part, uint32_t& seq, uint32_t millis,
                         const LegacyTweak& tweak) {
    ByteWriter body;
    for (const EventItem* it : part) legacy_event(body, *it, seq++, millis);
    size_t length = kLegacyBatchHeader + body.bytes().size();
    ByteWriter w;
    w.text(tweak.bad_magic ? "XEVA" : "ZEVA").u8(2).u8(0);
    w.u16(tweak.length_field.value_or(static_cast<uint16_t>(length)));
    w.u16(static_cast<uint16_t>(static_cast<int>(part.size()) + tweak.count_delta));
    w.text(body.bytes());
    return w.take();
}

} // namespace

uint32_t channel_item_id(int slot, int channel, int index) {
    return static_cast<uint32_t>(slot) << 24 | (static_cast<uint32_t>(channel) & 0xFFFF) << 8 |
           (static_cast<uint32_t>(index) & 0xFF);
}

uint32_t board_item_id(int slot, int index) { return channel_item_id(slot, kBoardItemChannel, index); }

EventItem number_item(uint32_t id, uint32_t raw) {
    return EventItem{id, false, ByteWriter().u32(raw).take()};
}

EventItem text_item(uint32_t id, std::string text) { return EventItem{id, true, std::move(text)}; }

EventItem live_insertion_item(int slot, bool inserted) {
    return EventItem{kNoticeLiveInsertion, false,
                     ByteWriter().u8(static_cast<uint8_t>(slot)).u8(inserted ? 1 : 0).u16(0).take()};
}

std::string event_frame(const std::vector<EventItem>& items, const StateBytes& states,
                        uint32_t sequence, const FrameTweak& tweak) {
    ByteWriter body;
    for (const auto& it : items) {
        body.u32(it.id).u16(it.text ? 1 : 0).u16(static_cast<uint16_t>(it.value.size()));
        body.text(it.value);
    }
    ByteWriter w;
    w.text(tweak.bad_magic ? "ZEVAXX" : kEventMagic).u16(0);
    w.u32(sequence).u32(0).u32(0);
    w.u32(static_cast<uint32_t>(static_cast<int64_t>(items.size()) + tweak.count_delta));
    for (uint8_t b : states.boards) w.u8(b);
    w.u8(states.system);
    w.u32(tweak.total_length.value_or(static_cast<uint32_t>(kEventHeaderSize + body.bytes().size())));
    w.text(body.bytes());
    return w.take();
}

std::vector<std::string> legacy_messages(const std::vector<EventItem>& items, uint32_t& sequence,
                                         uint32_t millis, const LegacyTweak& tweak) {
    std::vector<std::string> out;
    if (items.empty()) return out;
    if (items.size() == 1 && !tweak.force_batch) {
        ByteWriter w;
        w.text(tweak.bad_magic ? "XEVA" : "ZEVA").u8(1).u8(0);
        legacy_event(w, items[0], sequence++, millis);
        out.push_back(w.take());
        return out;
    }
    std::vector<const EventItem*> part;
    size_t size = kLegacyBatchHeader;
    for (const auto& it : items) {
        size_t need = kLegacyEventHead + legacy_value(it).size();
        if (!part.empty() && size + need > kLegacyMaxMessage) {
            out.push_back(legacy_batch(part, sequence, millis, tweak));
            part.clear();
            size = kLegacyBatchHeader;
        }
        part.push_back(&it);
        size += need;
    }
    out.push_back(legacy_batch(part, sequence, millis, tweak));
    return out;
}

} // namespace sim::mf
