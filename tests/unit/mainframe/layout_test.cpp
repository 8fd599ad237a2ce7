// The crate map, one slot, the composition, and subscribed item names.
#include <gtest/gtest.h>

#include "mainframe/crate_map.h"
#include "mainframe/item_names.h"
#include "wire_bytes.h"

using namespace zevahv::mainframe;

TEST(MainframeLayout, CrateMapWithAnEmptySlot) {
    WireBytes w;
    w.u16(3);
    w.c().s("A1535").c().s("24 Ch 3.5KV/3mA").c().u16(101).c().u16(0x0203);
    w.c().u8(0);
    w.c().s("A1833").c().s("28 Ch").c().u16(7).c().u16(0x0100);
    std::vector<SlotInfo> slots;
    ASSERT_TRUE(parse_crate_map(w.bytes(), &slots));
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_TRUE(slots[0].present);
    EXPECT_EQ(slots[0].model, "A1535");
    EXPECT_EQ(slots[0].description, "24 Ch 3.5KV/3mA");
    EXPECT_EQ(slots[0].serial, 101);
    EXPECT_EQ(slots[0].fw_major, 2);
    EXPECT_EQ(slots[0].fw_minor, 3);
    EXPECT_FALSE(slots[1].present);
    EXPECT_EQ(slots[1].model, "");
    EXPECT_EQ(slots[1].serial, 0);
    EXPECT_EQ(slots[2].model, "A1833");

    for (std::size_t n = 0; n < w.size(); ++n)
        EXPECT_FALSE(parse_crate_map(w.bytes().first(n), &slots)) << n;
    WireBytes lie;  // 60000 slots in a few bytes
    lie.u16(60000).c().u8(0);
    EXPECT_FALSE(parse_crate_map(lie.bytes(), &slots));
}

TEST(MainframeLayout, CompositionGivesTheFirstCratesChannels) {
    WireBytes w;
    w.u8(2).c().u16(0x0103).u16(0x0001).c();
    w.u32(24).u32(0).u32(0x00070030).u32(99);  // the fourth slot is the second crate's
    std::vector<std::uint16_t> ch;
    ASSERT_TRUE(parse_composition(w.bytes(), &ch));
    EXPECT_EQ(ch, (std::vector<std::uint16_t>{24, 0, 48}));
    for (std::size_t n = 0; n < w.size(); ++n)
        EXPECT_FALSE(parse_composition(w.bytes().first(n), &ch)) << n;
}

TEST(MainframeLayout, BoardPresence) {
    WireBytes w;
    w.s("A1535").c().s("desc").c().u16(5).c().u16(0x0A01);
    SlotInfo s;
    ASSERT_TRUE(parse_board_presence(w.bytes(), &s));
    EXPECT_EQ(s.model, "A1535");
    EXPECT_EQ(s.fw_major, 10);
    EXPECT_EQ(s.fw_minor, 1);
    EXPECT_FALSE(parse_board_presence(w.bytes().first(w.size() - 1), &s));
}

TEST(MainframeLayout, ItemNamesOfEveryLevel) {
    ItemName n;
    ASSERT_TRUE(parse_item_name("ZEVA_KR2440_HVL_000.Board03.CHAN007.VMon", &n));
    EXPECT_EQ(n.level, ItemLevel::Channel);
    EXPECT_EQ(n.system, "ZEVA_KR2440_HVL_000");
    EXPECT_EQ(n.board, 3);
    EXPECT_EQ(n.channel, 7);
    EXPECT_EQ(n.param, "VMon");
    ASSERT_TRUE(parse_item_name("S.Board12.Chan1000.IMon", &n));
    EXPECT_EQ(n.level, ItemLevel::Channel);
    EXPECT_EQ(n.channel, 1000);
    ASSERT_TRUE(parse_item_name("S.Board15.BdAlarm", &n));
    EXPECT_EQ(n.level, ItemLevel::Board);
    EXPECT_EQ(n.board, 15);
    ASSERT_TRUE(parse_item_name("S.CPULoad", &n));
    EXPECT_EQ(n.level, ItemLevel::System);
    EXPECT_EQ(n.param, "CPULoad");
    ASSERT_TRUE(parse_item_name("KeepAlive", &n));
    EXPECT_EQ(n.level, ItemLevel::Notice);

    EXPECT_FALSE(parse_item_name("S.Board.VMon", &n));
    EXPECT_FALSE(parse_item_name("S.Board99999.VMon", &n));
    EXPECT_FALSE(parse_item_name("S.Board01.CHAN.VMon", &n));
    EXPECT_FALSE(parse_item_name("S.", &n));
    EXPECT_FALSE(parse_item_name("", &n));
}
