// Subscription item names and the records of a polling cycle.
#include <gtest/gtest.h>

#include <cstring>

#include "polling/records.h"
#include "polling/items.h"

using namespace zevahv::polling;

TEST(EventItems, ItemNamesOfAllThreeLevels) {
    ItemName r = parse_item("ZEVA_Q3815_HVL_000.Board00.CHAN003.VMon");
    EXPECT_EQ(r.kind, ItemName::Channel);
    EXPECT_EQ(r.channel, 3);
    EXPECT_EQ(r.name, "VMon");

    r = parse_item("ZEVA_Q3815_HVL_000.BOARD07.Chan012.IMonL");
    EXPECT_EQ(r.kind, ItemName::Channel);
    EXPECT_EQ(r.channel, 12);

    r = parse_item("ZEVA_Q3815_HVL_000.Board00.Alarm");
    EXPECT_EQ(r.kind, ItemName::Board);
    EXPECT_EQ(r.name, "Alarm");

    EXPECT_EQ(parse_item("ZEVA_Q3815_HVL_000.KeepAlive").kind, ItemName::System);
    EXPECT_EQ(parse_item("LiveInsRem").kind, ItemName::System);

    for (const char *bad : {"S.Boardxx.VMon", "S.Board00.CHAN.VMon", "S.Board00.CHAN9999999.VMon",
                            "S.Board00.", "S.Board00.CHAN001."})
        EXPECT_EQ(parse_item(bad).kind, ItemName::Invalid) << bad;
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

TEST(PollRecords, RecordsCutLongNamesAndKeepValues) {
    IDValue_t r;
    std::memset(&r, 0x55, sizeof r);
    float v = 12.5f;
    fill_record(&r, 0, {.system = 4, .board = 0, .channel = -1, .item = "AVeryLongParameterNameIndeed"},
                &v, sizeof v);
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
    Records texts;
    texts.add_text({.system = 0, .board = 0, .channel = 0, .item = "Name"}, big);
    r = texts.records()[0];
    EXPECT_EQ(r.Type, ZEVAHV_PARAM_TYPE_STRING);
    EXPECT_EQ(r.Value[sizeof r.Value - 2], 'x');
    EXPECT_EQ(r.Value[sizeof r.Value - 1], 0);  // cut and terminated inside the field
}
