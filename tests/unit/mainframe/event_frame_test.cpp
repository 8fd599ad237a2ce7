// The event frames of the current mainframes.
#include <gtest/gtest.h>

#include <cstring>

#include "mainframe/event_frame.h"
#include "wire_bytes.h"

using namespace zevahv::mainframe;

namespace {

WireBytes header(std::uint32_t items, std::uint32_t body, std::uint8_t board0 = 1,
                 std::uint8_t system = 1) {
    WireBytes w;
    w.s("ZEVAHV").u16(0).u32(0).u32(0).u32(0).u32(items);
    w.u8(board0);
    for (int b = 1; b < 16; ++b) w.u8(1);
    w.u8(system).u32(static_cast<std::uint32_t>(kFrameHeaderSize) + body);
    return w;
}

void item(WireBytes &w, std::uint32_t id, std::uint32_t number) {
    w.u32(id).u16(0).u16(4).u32(number);
}
void text_item(WireBytes &w, std::uint32_t id, std::string_view t) {
    w.u32(id).u16(1).u16(static_cast<unsigned>(t.size())).s(t);
}

std::uint32_t channel_id(unsigned slot, unsigned ch, unsigned idx) { return (slot << 24) | (ch << 8) | idx; }

struct Crate {
    SystemDescription d;
    ItemRegistry::Map items;
    Crate() {
        ParamDescriptor vmon;
        std::strcpy(vmon.name, "VMon");
        vmon.decimals = 1;
        vmon.scale = 10;
        ParamDescriptor alarm;
        std::strcpy(alarm.name, "BdAlarm");
        alarm.type = 3;
        d.descriptors = {vmon, alarm};
        BoardDescription b;
        b.slot = 2;
        b.params = {1};
        b.channels.resize(4);
        b.channels[3].params = {0};
        d.boards = {b};
        add(channel_id(2, 3, 0), ItemLevel::Channel, 2, 3, "VMon");
        add(channel_id(2, 0xFFFF, 1), ItemLevel::Board, 2, 0, "BdAlarm");
        add((20u << 24) | 5, ItemLevel::System, 0, 0, "CPULoad");
    }
    void add(std::uint32_t id, ItemLevel level, unsigned board, unsigned ch, const char *name) {
        SubscribedItem s;
        s.id = id;
        s.level = level;
        s.board = static_cast<std::uint16_t>(board);
        s.channel = static_cast<std::uint16_t>(ch);
        std::strcpy(s.name, name);
        items[id] = s;
    }
    int decode(const WireBytes &body, std::uint32_t n, std::vector<IDValue_t> *out) const {
        std::vector<IDValue_t> room(std::max<std::uint32_t>(n, 1));
        std::memset(room.data(), 0, room.size() * sizeof(IDValue_t));
        std::size_t made = 0;
        const int r = decode_frame_items(body.bytes(), n, &d, items, 7, room.data(), &made);
        out->assign(room.begin(), room.begin() + static_cast<long>(made));
        return r;
    }
};

float as_float(const IDValue_t &r) {
    float f;
    std::memcpy(&f, r.Value, 4);
    return f;
}
std::uint32_t as_uint(const IDValue_t &r) {
    std::uint32_t u;
    std::memcpy(&u, r.Value, 4);
    return u;
}

}  // namespace

TEST(MainframeEvents, HeaderStatesAndLengths) {
    FrameHeader h;
    WireBytes w = header(3, 100, 11, 0);
    ASSERT_EQ(parse_frame_header(w.bytes(), &h), 0);
    EXPECT_EQ(h.items, 3u);
    EXPECT_EQ(h.body_size, 100u);
    EXPECT_EQ(h.status.Board[0], 2);  // state 11
    EXPECT_EQ(h.status.Board[1], 0);  // state 1
    EXPECT_EQ(h.status.System, 3);    // state 0
    EXPECT_EQ(state_value(2), 1);
    EXPECT_EQ(state_value(10), 1);
    EXPECT_EQ(state_value(12), 3);

    WireBytes magic = w;
    magic.v[0] = 'X';
    EXPECT_EQ(parse_frame_header(magic.bytes(), &h), ZEVAHV_ERR_COMMUNICATIONERROR);
    WireBytes small = header(0, 0);  // total below the header
    small.v[44] = 10;
    EXPECT_EQ(parse_frame_header(small.bytes(), &h), ZEVAHV_ERR_COMMUNICATIONERROR);
    EXPECT_EQ(parse_frame_header(header(1, 0x7FFFFFF0).bytes(), &h), ZEVAHV_ERR_COMMUNICATIONERROR);
    EXPECT_EQ(parse_frame_header(w.bytes().first(44), &h), ZEVAHV_ERR_COMMUNICATIONERROR);
}

TEST(MainframeEvents, ItemsOfEveryKindAreNamedAndConverted) {
    Crate crate;
    WireBytes body;
    item(body, channel_id(2, 3, 0), 12346);               // VMon, decimals 1, scale 10
    item(body, channel_id(2, 0xFFFF, 1), 0x80);           // BdAlarm: raw bits
    text_item(body, (20u << 24) | 5, "12%");              // system item, text
    body.u32(254u << 24 | 1).u16(0).u16(4).u32(0x00030000);  // live insertion: first two bytes
    item(body, channel_id(2, 1, 0), 5);                   // never subscribed: left out
    std::vector<IDValue_t> out;
    ASSERT_EQ(crate.decode(body, 5, &out), 0);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].Type, ZEVAHV_EVENT_PARAMETER);
    EXPECT_EQ(out[0].SystemHandle, 7);
    EXPECT_EQ(out[0].BoardIndex, 2);
    EXPECT_EQ(out[0].ChannelIndex, 3);
    EXPECT_STREQ(out[0].Item, "VMon");
    EXPECT_FLOAT_EQ(as_float(out[0]), 1234.6f);
    EXPECT_EQ(out[1].ChannelIndex, -1);
    EXPECT_EQ(as_uint(out[1]), 0x80u);
    EXPECT_EQ(out[2].BoardIndex, -1);
    EXPECT_STREQ(out[2].Value, "12%");
    EXPECT_EQ(out[3].Type, ZEVAHV_EVENT_LIVEINSERTION);
    EXPECT_STREQ(out[3].Item, "LiveInsertion");
    EXPECT_EQ(as_uint(out[3]), 3u);
}

TEST(MainframeEvents, FramesOfUnsubscribedItemsGiveOneKeepAlive) {
    Crate crate;
    WireBytes body;
    item(body, channel_id(5, 0, 0), 1);
    item(body, 0xFF000000u, 1);
    std::vector<IDValue_t> out;
    ASSERT_EQ(crate.decode(body, 2, &out), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Type, ZEVAHV_EVENT_KEEPALIVE);
    EXPECT_STREQ(out[0].Item, "KeepAlive");
    EXPECT_EQ(out[0].BoardIndex, -1);
}

TEST(MainframeEvents, MovedBoardsAndBrokenItems) {
    Crate crate;
    WireBytes body;
    item(body, channel_id(2, 3, 0), 1);
    std::vector<IDValue_t> out;
    crate.d.serial = 7;  // as read from a crate: items remember their descriptor
    ASSERT_EQ(crate.decode(body, 1, &out), 0);
    // A new description in which the board moved since the subscription.
    crate.d.boards[0].slot = 4;
    crate.d.serial = 8;
    EXPECT_EQ(crate.decode(body, 1, &out), ZEVAHV_ERR_SYSCONFCHANGE);

    Crate ok;
    WireBytes text;
    text_item(text, (20u << 24) | 5, std::string(2000, 'a'));  // longer than the record
    out.clear();
    ASSERT_EQ(ok.decode(text, 1, &out), 0);
    EXPECT_EQ(std::strlen(out[0].Value), sizeof out[0].Value - 1);

    // A count or a length that runs past the body.
    out.clear();
    EXPECT_EQ(ok.decode(text, 2, &out), ZEVAHV_ERR_COMMUNICATIONERROR);
    WireBytes liar;
    liar.u32(channel_id(2, 3, 0)).u16(0).u16(400).u32(1);
    EXPECT_EQ(ok.decode(liar, 1, &out), ZEVAHV_ERR_COMMUNICATIONERROR);
}
