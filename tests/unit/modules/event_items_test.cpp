// Subscription item names and event frames of the polling thread.
#include <gtest/gtest.h>

#include <cstring>

#include "modules/event_items.h"

using namespace zevahv::modules;

TEST(EventItems, ItemNamesOfAllThreeLevels) {
    ItemRef r = parse_item("ZEVA_Q3815_HVL_000.Board00.CHAN003.VMon");
    EXPECT_EQ(r.kind, ItemRef::Channel);
    EXPECT_EQ(r.channel, 3);
    EXPECT_EQ(r.name, "VMon");

    r = parse_item("ZEVA_Q3815_HVL_000.BOARD07.Chan012.IMonL");
    EXPECT_EQ(r.kind, ItemRef::Channel);
    EXPECT_EQ(r.channel, 12);

    r = parse_item("ZEVA_Q3815_HVL_000.Board00.Alarm");
    EXPECT_EQ(r.kind, ItemRef::Board);
    EXPECT_EQ(r.name, "Alarm");

    EXPECT_EQ(parse_item("ZEVA_Q3815_HVL_000.KeepAlive").kind, ItemRef::System);
    EXPECT_EQ(parse_item("LiveInsRem").kind, ItemRef::System);

    for (const char *bad : {"S.Boardxx.VMon", "S.Board00.CHAN.VMon", "S.Board00.CHAN9999999.VMon",
                            "S.Board00.", "S.Board00.CHAN001."})
        EXPECT_EQ(parse_item(bad).kind, ItemRef::Invalid) << bad;
}

TEST(EventItems, ListsSplitAtColons) {
    EXPECT_TRUE(split_items(nullptr).empty());
    EXPECT_TRUE(split_items("").empty());
    auto v = split_items("a.Board00.CHAN001.VMon:a.Board00.CHAN003.VMon:x");
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[1], "a.Board00.CHAN003.VMon");
    EXPECT_EQ(v[2], "x");
    EXPECT_EQ(split_items("a::b").size(), 3u);
}

TEST(EventFrames, HeaderCarriesMagicAndBigEndianLength) {
    std::vector<IDValue_t> recs(3);
    for (auto &r : recs) fill_record(&r, 0, 1, 0, 2, "VMon", nullptr, 0);
    std::string f = build_frame(recs);
    ASSERT_EQ(f.size(), 3190u);
    EXPECT_EQ(f.substr(0, 6), "ZEVAHV");
    EXPECT_EQ(static_cast<unsigned char>(f[6]), 0u);
    EXPECT_EQ(static_cast<unsigned char>(f[7]), 0u);
    EXPECT_EQ(static_cast<unsigned char>(f[8]), 0x0Cu);  // 3190 = 0x0C76
    EXPECT_EQ(static_cast<unsigned char>(f[9]), 0x76u);
    IDValue_t back;
    std::memcpy(&back, f.data() + 10 + 1060, sizeof back);
    EXPECT_EQ(back.ChannelIndex, 2);
    EXPECT_STREQ(back.Item, "VMon");
}

TEST(EventFrames, RecordsCutLongNamesAndKeepValues) {
    IDValue_t r;
    std::memset(&r, 0x55, sizeof r);
    float v = 12.5f;
    fill_record(&r, 0, 4, 0, -1, "AVeryLongParameterNameIndeed", &v, sizeof v);
    EXPECT_EQ(r.Type, 0);
    EXPECT_EQ(r.SystemHandle, 4);
    EXPECT_EQ(r.ChannelIndex, -1);
    EXPECT_EQ(std::strlen(r.Item), sizeof r.Item - 1);
    EXPECT_EQ(std::string(r.Item), std::string("AVeryLongParameterNameIndeed").substr(0, 19));
    float back;
    std::memcpy(&back, r.Value, sizeof back);
    EXPECT_EQ(back, 12.5f);
    // The rest of the value field is cleared, not left over.
    EXPECT_EQ(r.Value[4], 0);
    EXPECT_EQ(r.Value[sizeof r.Value - 1], 0);

    std::string big(3000, 'x');
    fill_record(&r, 5, 0, 0, 0, "Name", big.data(), big.size());
    EXPECT_EQ(r.Value[sizeof r.Value - 2], 'x');
    EXPECT_EQ(r.Value[sizeof r.Value - 1], 0);  // cut and terminated inside the field
}
