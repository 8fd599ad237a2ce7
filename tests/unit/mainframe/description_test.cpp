// The system description as "GETSYSINFO" reports it.
#include <gtest/gtest.h>

#include "mainframe/description.h"
#include "wire_bytes.h"

using namespace zevahv::mainframe;

namespace {

void numeric(WireBytes &w, const char *name, unsigned type, bool rw, bool sign, int min, int max,
             int dec, unsigned scale, unsigned unit, int exp) {
    w.fixed(name, 10).u32((type << 16) | (rw ? 0x8000u : 0) | (sign ? 0x4000u : 0));
    w.u32(static_cast<std::uint32_t>(min)).u32(static_cast<std::uint32_t>(max));
    w.u16(static_cast<unsigned>(dec)).u16(scale).u16(unit).u16(static_cast<unsigned>(exp)).u16(0);
}

void onoff(WireBytes &w, const char *name, const char *on, const char *off) {
    w.fixed(name, 10).u32((1u << 16) | 0x8000u).fixed(on, 8).fixed(off, 8).u16(0);
}

// Two boards: slot 0 with two channels, slot 3 with one; "::" between boards.
WireBytes two_boards() {
    WireBytes w;
    w.u16(4).c();
    numeric(w, "VSet", 0, true, false, 0, 80000, 1, 10, 2, 0);
    numeric(w, "IMon", 0, false, true, -1000, 1000, 0, 2, 1, -6);
    onoff(w, "Pw", "On", "Off");
    numeric(w, "Temp", 0, false, false, 0, 100, 0, 1, 4, 0);
    w.c().u16(2).u16(0).u16(3);                 // boards and their slots
    w.c().u16(2).u16(1);                        // channels per board
    w.c().u16(1).c().u16(3).c();                // board 0: Temp
    w.u16(3).c().u16(0).u16(1).u16(2).c();      // channel 0
    w.u16(1).c().u16(0).c();                    // channel 1: VSet only
    w.c().u16(0).c().c();                       // board 3: no board parameters
    w.u16(2).c().u16(0).u16(2).c();             // its channel 0
    return w;
}

}  // namespace

TEST(MainframeDescription, BoardsChannelsAndDescriptors) {
    SystemDescription d;
    ASSERT_TRUE(parse_system_info(two_boards().bytes(), &d));
    ASSERT_EQ(d.descriptors.size(), 4u);
    const ParamDescriptor &vset = d.descriptors[0];
    EXPECT_STREQ(vset.name, "VSet");
    EXPECT_EQ(vset.type, 0);
    EXPECT_TRUE(vset.read_write);
    EXPECT_FALSE(vset.is_signed);
    EXPECT_EQ(vset.max, 80000);
    EXPECT_EQ(vset.decimals, 1);
    EXPECT_EQ(vset.scale, 10);
    EXPECT_TRUE(d.descriptors[1].is_signed);
    EXPECT_EQ(d.descriptors[1].min, -1000);
    EXPECT_EQ(d.descriptors[1].exponent, -6);
    EXPECT_STREQ(d.descriptors[2].on_text, "On");
    EXPECT_STREQ(d.descriptors[2].off_text, "Off");

    ASSERT_EQ(d.boards.size(), 2u);
    const BoardDescription *b0 = d.board(0), *b3 = d.board(3);
    ASSERT_TRUE(b0 && b3);
    EXPECT_EQ(d.board(1), nullptr);
    EXPECT_EQ(b0->channels.size(), 2u);
    EXPECT_EQ(d.find(b0->params, "Temp"), &d.descriptors[3]);
    EXPECT_EQ(d.find(b0->channels[1].params, "IMon"), nullptr);
    EXPECT_EQ(d.find(b3->channels[0].params, "Pw"), &d.descriptors[2]);
    EXPECT_TRUE(b3->params.empty());
}

TEST(MainframeDescription, EveryCutOrLieIsRefused) {
    const WireBytes good = two_boards();
    SystemDescription d;
    // The last ':' of the last channel is what ends it; any shorter prefix fails.
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(parse_system_info(good.bytes().first(n), &d)) << n;

    WireBytes many = good;  // a descriptor count far beyond the data
    many.v[0] = 0xFF;
    EXPECT_FALSE(parse_system_info(many.bytes(), &d));

    WireBytes bad_index = good;  // board 0's index 3 -> 9: no such descriptor
    const std::size_t at = 3 + 4 * kDescriptorSize + 1 + 2 + 4 + 1 + 4 + 1 + 2 + 1;
    ASSERT_EQ(bad_index.v[at + 1], 3);
    bad_index.v[at + 1] = 9;
    EXPECT_FALSE(parse_system_info(bad_index.bytes(), &d));

    WireBytes boards = good;  // a board count beyond the data
    boards.v[3 + 4 * kDescriptorSize + 1] = 0x7F;
    EXPECT_FALSE(parse_system_info(boards.bytes(), &d));
}
