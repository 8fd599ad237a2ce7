// What the simulated crate pushes to subscribers, and how it reads the
// subscribe commands' argument lists.
#include <gtest/gtest.h>

#include "mainframe/bytes.h"
#include "mainframe/event_frames.h"
#include "mainframe/subscribe_args.h"

using namespace sim::mf;

namespace {

std::string be16(uint16_t v) { return ByteWriter().u16(v).take(); }
std::string be32(uint32_t v) { return ByteWriter().u32(v).take(); }

} // namespace

TEST(MainframeEventFrame, HeaderCountsStatesAndItems) {
    StateBytes st;
    st.boards[0] = 1;
    st.boards[3] = 11;
    st.system = 2;
    std::vector<EventItem> items = {number_item(channel_item_id(3, 7, 2), 0x01020304),
                                    text_item(kSystemItemBase | 5, "KR2440"),
                                    live_insertion_item(9, true)};
    std::string f = event_frame(items, st, 77);
    ASSERT_EQ(f.size(), kEventHeaderSize + (8 + 4) + (8 + 6) + (8 + 4));
    ByteReader r(f);
    EXPECT_EQ(*r.take(6), "ZEVAHV");
    r.take(14);
    EXPECT_EQ(*r.u32(), 3u);        // item count at 20
    EXPECT_EQ(*r.u8(), 1);          // board 0 at 24
    r.take(2);
    EXPECT_EQ(*r.u8(), 11);         // board 3
    r.take(12);
    EXPECT_EQ(*r.u8(), 2);          // system at 40
    EXPECT_EQ(*r.u32(), f.size());  // total length at 41
    EXPECT_EQ(*r.u32(), 0x03000702u);
    EXPECT_EQ(*r.u16(), 0);         // a number
    EXPECT_EQ(*r.u16(), 4);
    EXPECT_EQ(*r.u32(), 0x01020304u);
    EXPECT_EQ(*r.u32(), 0x10000005u);
    EXPECT_EQ(*r.u16(), 1);         // a text, without NUL
    EXPECT_EQ(*r.u16(), 6);
    EXPECT_EQ(*r.take(6), "KR2440");
    EXPECT_EQ(*r.u32(), kNoticeLiveInsertion);
    r.take(4);
    EXPECT_EQ(*r.u16(), 0x0901);    // slot 9 inserted, in the first two value bytes
    EXPECT_TRUE(r.take(2) && r.at_end());

    EXPECT_EQ(board_item_id(4, 1), 0x04FFFF01u);
}

TEST(MainframeEventFrame, TweaksDamageOnlyWhatTheySay) {
    std::vector<EventItem> items = {number_item(1, 5)};
    std::string sound = event_frame(items, {}, 1);
    FrameTweak more;
    more.count_delta = 4;
    std::string over = event_frame(items, {}, 1, more);
    EXPECT_EQ(over.size(), sound.size());
    EXPECT_EQ(over.substr(20, 4), be32(5));
    FrameTweak total;
    total.total_length = 10;
    EXPECT_EQ(event_frame(items, {}, 1, total).substr(41, 4), be32(10));
    FrameTweak magic;
    magic.bad_magic = true;
    EXPECT_NE(event_frame(items, {}, 1, magic).substr(0, 6), "ZEVAHV");
    EXPECT_EQ(event_frame({}, {}, 1).size(), kEventHeaderSize);
}

TEST(MainframeLegacyMessage, SingleEventAndBatches) {
    uint32_t seq = 10;
    auto one = legacy_messages({number_item(0x00000102, 99)}, seq, 1234);
    ASSERT_EQ(one.size(), 1u);
    const std::string& m = one[0];
    ASSERT_EQ(m.size(), 28u); // the shortest message a client accepts
    EXPECT_EQ(m.substr(0, 8), std::string("ZEVA\x01\x00\x00\x01", 8));
    EXPECT_EQ(m.substr(8, 4), be32(10));
    EXPECT_EQ(m.substr(12, 4), be32(1234));
    EXPECT_EQ(m.substr(16, 4), be32(0x102));
    EXPECT_EQ(m.substr(20, 4), be16(4) + be16(0));
    EXPECT_EQ(m.substr(24), be32(99));
    EXPECT_EQ(seq, 11u);

    // 400 numbers do not fit one 4096-byte message: batches, each whole.
    std::vector<EventItem> many;
    for (int i = 0; i < 400; ++i) many.push_back(number_item(static_cast<uint32_t>(i), i));
    many.push_back(text_item(7, std::string(1000, 'x'))); // cut to 255
    auto batches = legacy_messages(many, seq, 0);
    ASSERT_GE(batches.size(), 3u);
    size_t events = 0;
    for (const auto& b : batches) {
        ASSERT_LE(b.size(), kLegacyMaxMessage);
        ByteReader r(b);
        EXPECT_EQ(*r.take(4), "ZEVA");
        EXPECT_EQ(*r.u8(), 2);
        r.u8();
        EXPECT_EQ(*r.u16(), b.size()); // the length field is the message's
        uint16_t n = *r.u16();
        for (uint16_t i = 0; i < n; ++i) {
            uint8_t text = *r.u8();
            EXPECT_EQ(*r.u8(), 1);
            r.take(12);
            uint16_t len = *r.u16();
            r.take(2);
            EXPECT_EQ(len, text ? 255 : 4);
            ASSERT_TRUE(r.take(len));
        }
        EXPECT_TRUE(r.at_end());
        events += n;
    }
    EXPECT_EQ(events, many.size());

    LegacyTweak lt;
    lt.force_batch = true;
    lt.length_field = 3;
    auto forced = legacy_messages({number_item(1, 1)}, seq, 0, lt);
    ASSERT_EQ(forced.size(), 1u);
    EXPECT_EQ(forced[0][4], 2);
    EXPECT_EQ(forced[0].substr(6, 2), be16(3));
}

TEST(MainframeSubscribeArgs, ItemsOfEveryKind) {
    std::string args = be16(4000) + ":" + be16(4) + ":" +
                       be16(0) + ":" + be16(3) + ":" + be16(7) + ":VMon:" +
                       be16(1) + ":" + be16(3) + ":BdStatus:" +
                       be16(2) + ":CPULoad:" +
                       be16(3) + ":KeepAlive" + std::string(1, '\0');
    auto a = parse_subscribe_args(args);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->port, 4000);
    ASSERT_EQ(a->items.size(), 4u);
    EXPECT_EQ(a->items[0].kind, kItemChannel);
    EXPECT_EQ(a->items[0].board, 3);
    EXPECT_EQ(a->items[0].channel, 7);
    EXPECT_EQ(a->items[0].name, "VMon");
    EXPECT_EQ(a->items[1].name, "BdStatus");
    EXPECT_EQ(a->items[2].kind, kItemSystem);
    EXPECT_EQ(a->items[3].name, "KeepAlive");

    // A board number whose bytes are ':' is read by position.
    auto colon = parse_subscribe_args(be16(1) + ":" + be16(1) + ":" + be16(1) + ":" + be16(0x3A3A) + ":T" +
                                      std::string(1, '\0'));
    ASSERT_TRUE(colon);
    EXPECT_EQ(colon->items[0].board, 0x3A3A);

    // Counts that disagree with the list, and lists that cannot be read.
    EXPECT_FALSE(parse_subscribe_args(be16(1) + ":" + be16(3) + ":" + be16(2) + ":A:" + be16(2) + ":B"));
    EXPECT_FALSE(parse_subscribe_args(be16(1) + ":" + be16(1) + ":" + be16(2) + ":A:" + be16(2) + ":B"));
    EXPECT_FALSE(parse_subscribe_args(be16(1) + ":" + be16(1) + ":" + be16(9) + ":A"));
    EXPECT_FALSE(parse_subscribe_args(be16(1) + ":" + be16(1) + ":" + be16(0) + ":" + be16(1)));
    EXPECT_FALSE(parse_subscribe_args(be16(1)));
}

TEST(MainframeSubscribeArgs, UnsubscribeTakesIdentifiersOrItems) {
    auto ids = parse_unsubscribe_args(be16(5) + ":" + be16(2) + ":" + be32(kNoIdentifier) + ":" +
                                      be32(0x03000702) + std::string(1, '\0'));
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->ids, (std::vector<uint32_t>{kNoIdentifier, 0x03000702}));
    EXPECT_TRUE(ids->items.empty());

    auto items = parse_unsubscribe_args(be16(5) + ":" + be16(1) + ":" + be16(2) + ":IPAddr" + std::string(1, '\0'));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->items.size(), 1u);
    EXPECT_EQ(items->items[0].name, "IPAddr");

    EXPECT_FALSE(parse_unsubscribe_args(be16(5) + ":" + be16(2) + ":" + be32(1)));          // one short
    EXPECT_FALSE(parse_unsubscribe_args(be16(5) + ":" + be16(1) + ":" + be32(1) + ":xyz")); // trailing bytes
}
