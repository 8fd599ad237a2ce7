// The event messages of the legacy mainframes and their 325-byte records.
#include <gtest/gtest.h>

#include <cstring>

#include "mainframe/legacy/legacy_events.h"
#include "wire_bytes.h"

using namespace zevahv::mainframe;

namespace {

WireBytes single(std::uint32_t id, std::uint32_t number) {
    WireBytes w;
    w.s("ZEVA").u8(1).u8(0).u8(0).u8(1).u32(9).u32(1000).u32(id).u16(4).u16(0).u32(number);
    return w;
}

void event(WireBytes &w, std::uint32_t id, std::uint32_t number) {
    w.u8(0).u8(1).u32(0).u32(0).u32(id).u16(4).u16(0).u32(number);
}

WireBytes batch(std::uint32_t id_a, std::uint32_t id_b) {
    WireBytes w;
    w.s("ZEVA").u8(2).u8(0).u16(0).u16(3);
    event(w, id_a, 1);
    w.u8(1).u8(1).u32(0).u32(0).u32(id_b).u16(7).u16(0).s("Tripped");
    event(w, id_a, 2);
    w.v[6] = static_cast<unsigned char>(w.size() >> 8);
    w.v[7] = static_cast<unsigned char>(w.size());
    return w;
}

}  // namespace

TEST(LegacyMessages, SingleAndBatch) {
    std::vector<LegacyEvent> ev;
    ASSERT_EQ(single(42, 99).size(), kLegacyMinMessage);
    ASSERT_EQ(parse_legacy_message(single(42, 99).bytes(), &ev), 0);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].id, 42u);
    EXPECT_EQ(ev[0].number, 99u);

    const WireBytes b = batch(5, 6);
    ASSERT_EQ(parse_legacy_message(b.bytes(), &ev), 0);
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_TRUE(ev[1].text);
    EXPECT_EQ(ev[1].text_value, "Tripped");
    EXPECT_EQ(ev[2].number, 2u);
}

TEST(LegacyMessages, ShortWrongAndLyingMessages) {
    std::vector<LegacyEvent> ev;
    EXPECT_EQ(parse_legacy_message(single(1, 1).bytes().first(27), &ev), ZEVAHV_ERR_SYSERR);
    WireBytes magic = single(1, 1);
    magic.v[0] = 'X';
    EXPECT_EQ(parse_legacy_message(magic.bytes(), &ev), ZEVAHV_ERR_NODATA);
    WireBytes length = batch(1, 2);
    length.v[7] ^= 1;
    EXPECT_EQ(parse_legacy_message(length.bytes(), &ev), ZEVAHV_ERR_NODATA);
    WireBytes count = batch(1, 2);
    count.v[9] = 200;
    EXPECT_EQ(parse_legacy_message(count.bytes(), &ev), ZEVAHV_ERR_NODATA);
    // A value length that runs past the message.
    WireBytes open;
    open.s("ZEVA").u8(2).u8(0).u16(0).u16(1).u8(1).u8(1).u32(0).u32(0).u32(3).u16(90).u16(0);
    open.s("abcdefgh");
    open.v[7] = static_cast<unsigned char>(open.size());
    EXPECT_EQ(parse_legacy_message(open.bytes(), &ev), ZEVAHV_ERR_NODATA);
    WireBytes single_long = single(1, 1);
    single_long.v[21] = 200;
    EXPECT_EQ(parse_legacy_message(single_long.bytes(), &ev), ZEVAHV_ERR_NODATA);
}

TEST(LegacyMessages, RecordsNameTheItemAndConvertWithItsDescriptor) {
    ItemRegistry::Map items;
    SubscribedItem vmon;
    vmon.id = 5;
    vmon.level = ItemLevel::Channel;
    vmon.full_name = "ZEVA_KR2210_HVL_000.Board01.CHAN002.VMon";
    ParamDescriptor d;
    d.type = 0;
    d.decimals = 1;
    d.scale = 10;
    vmon.descriptor = d;
    items[5] = vmon;
    SubscribedItem status = vmon;
    status.id = 6;
    status.full_name = "ZEVA_KR2210_HVL_000.Board01.CHAN002.Status";
    status.descriptor.reset();
    items[6] = status;

    std::vector<LegacyEvent> ev;
    const WireBytes message = batch(5, 6);  // the events' texts point into it
    ASSERT_EQ(parse_legacy_message(message.bytes(), &ev), 0);
    ev.push_back({77, false, 1, {}});  // unknown identifier: left out
    std::vector<unsigned char> out;
    decode_legacy_events(ev, items, &out);
    ASSERT_EQ(out.size(), 3 * kLegacyRecordSize);
    EXPECT_EQ(out[0], 0);
    EXPECT_STREQ(reinterpret_cast<char *>(&out[kLegacyNameOffset]), vmon.full_name.c_str());
    float f;
    std::memcpy(&f, &out[kLegacyNumberOffset], 4);
    EXPECT_FLOAT_EQ(f, 0.1f);
    const unsigned char *second = &out[kLegacyRecordSize];
    EXPECT_STREQ(reinterpret_cast<const char *>(second + kLegacyTextOffset), "Tripped");
}
