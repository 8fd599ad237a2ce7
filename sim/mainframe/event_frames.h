#pragma once
// What the crate pushes to a subscriber, as bytes. The current generation
// streams frames over a TCP connection it makes to the client's port: a
// 45-byte header (magic, item count, a state byte per board and one for the
// system, total length) and the items (identifier, value form, length,
// value). The legacy generation sends UDP datagrams: a single event, or a
// batch of events with its length and count. Numbers are big-endian.
//
// Pure functions: the fault modes of the event stream are parameters here,
// so that a test sees exactly the bytes a client would.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim::mf {

constexpr size_t kEventHeaderSize = 45;
constexpr size_t kStateBoards = 16;
constexpr const char kEventMagic[] = "ZEVAHV";

// Identifiers of the system notices (top byte 254).
constexpr uint32_t kNoticeBase = 0xFE000000u;
constexpr uint32_t kNoticeKeepAlive = kNoticeBase | 0;
constexpr uint32_t kNoticeLiveInsertion = kNoticeBase | 1;
constexpr uint32_t kNoticeTrMode = kNoticeBase | 2;
// System items: top byte 16, the property's index in the low byte.
constexpr uint32_t kSystemItemBase = 0x10000000u;
constexpr uint32_t kBoardItemChannel = 0xFFFF;

uint32_t channel_item_id(int slot, int channel, int index);
uint32_t board_item_id(int slot, int index);

struct EventItem {
    uint32_t id = 0;
    bool text = false;
    std::string value; // 4 raw bytes for a number, else the text
};

EventItem number_item(uint32_t id, uint32_t raw);
EventItem text_item(uint32_t id, std::string text);
// A live-insertion notice: slot and 1 (inserted) or 0 (pulled) in the value's
// first two bytes.
EventItem live_insertion_item(int slot, bool inserted);

struct StateBytes {
    std::array<uint8_t, kStateBoards> boards{};
    uint8_t system = 1;
};

// Deliberate damage for fault tests; the defaults give a sound frame.
struct FrameTweak {
    int count_delta = 0;                  // announce this many items more
    std::optional<uint32_t> total_length; // announce this total length instead
    bool bad_magic = false;
};

std::string event_frame(const std::vector<EventItem>& items, const StateBytes& states,
                        uint32_t sequence, const FrameTweak& tweak = {});

// Legacy messages. Layout (offsets in bytes):
//   single: 0 "ZEVA", 4 version 1, 5 version 0, 6 text flag, 7 1,
//           8 sequence (4), 12 milliseconds (4), 16 identifier (4),
//           20 value length L (2), 22 0 (2), 24 value (L bytes)
//   batch:  0 "ZEVA", 4 version 2, 5 version 0, 6 message length (2),
//           8 event count (2), then per event: text flag, 1, sequence (4),
//           milliseconds (4), identifier (4), L (2), 0 (2), value (L)
constexpr size_t kLegacyMaxMessage = 4096; // what a client reads at once
constexpr size_t kLegacyMaxText = 255;

struct LegacyTweak {
    bool bad_magic = false;
    int count_delta = 0;                  // batch: announce more events
    std::optional<uint16_t> length_field; // batch: a wrong message length
    bool force_batch = false;             // one event as a batch
};

// One single-event message for one item; batches of at most 4096 bytes for
// more (texts are cut to 255 bytes).
std::vector<std::string> legacy_messages(const std::vector<EventItem>& items, uint32_t& sequence,
                                         uint32_t millis, const LegacyTweak& tweak = {});

} // namespace sim::mf
