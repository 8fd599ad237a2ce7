// The subscribe wrappers: item names, lists, counts and result bytes.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "ZEVAHVLink.h"
#include "fake_family.h"
#include "frame/item_list.h"

using namespace zevahv;

namespace {

struct Seen {
    std::string items;
    unsigned port, count;
};

Seen seen() {
    std::lock_guard<std::mutex> lk(fake().m);
    return {fake().last_items, fake().last_port, fake().last_count};
}

int open_q3815() {
    int h = -1;
    EXPECT_EQ(ZEVAHV_InitSystem(6, 0, const_cast<char *>("10.0.0.1"), nullptr, nullptr, &h), 0);
    return h;
}

}  // namespace

TEST(Subscribe, ChannelWrapperBuildsOneItemPerName) {
    FakeFamilies fam({6}, &kFullOps);
    const int h = open_q3815();
    char res[2] = {9, 9};
    ASSERT_EQ(ZEVAHV_SubscribeChannelParams(h, 4000, 3, 7, "VMon:IMon", 2, res), 0);
    const Seen s = seen();
    EXPECT_EQ(s.items,
              "ZEVA_Q3815_HVL_000.Board03.CHAN007.VMon:ZEVA_Q3815_HVL_000.Board03.CHAN007.IMon");
    EXPECT_EQ(s.count, 2u);
    EXPECT_EQ(s.port, 4000u);
    EXPECT_EQ(res[0], 0);
    EXPECT_EQ(res[1], char(-1));

    ASSERT_EQ(ZEVAHV_UnSubscribeBoardParams(h, 4000, 1, "Alarm", 1, res), 0);
    EXPECT_EQ(seen().items, "ZEVA_Q3815_HVL_000.Board01.Alarm");
}

TEST(Subscribe, AlwaysDeliveredSystemNamesAreLeftOutAndAnsweredInPlace) {
    FakeFamilies fam({6}, &kFullOps);
    const int h = open_q3815();
    char res[4] = {9, 9, 9, 9};
    ASSERT_EQ(ZEVAHV_SubscribeSystemParams(h, 4000, "KeepAlive:Name:LiveInsertion:Temp", 4, res), 0);
    const Seen s = seen();
    EXPECT_EQ(s.items, "ZEVA_Q3815_HVL_000.Name:ZEVA_Q3815_HVL_000.Temp");
    EXPECT_EQ(s.count, 2u) << "the backend's count matches the list it gets";
    // The backend answered 0 and -1 for its two items; they land at the
    // positions of "Name" and "Temp".
    EXPECT_EQ(res[0], 0);
    EXPECT_EQ(res[1], 0);
    EXPECT_EQ(res[2], 0);
    EXPECT_EQ(res[3], char(-1));

    fake().last_items = "untouched";
    ASSERT_EQ(ZEVAHV_SubscribeSystemParams(h, 4000, "KeepAlive", 1, res), 0);
    EXPECT_EQ(seen().items, "untouched") << "an empty list does not reach the backend";
}

TEST(Subscribe, CountsHandlesAndPortsAreChecked) {
    FakeFamilies fam({6}, &kFullOps);
    const int h = open_q3815();
    char res[3] = {};
    EXPECT_EQ(ZEVAHV_SubscribeSystemParams(h, 4000, "Temp", 0, res), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SubscribeChannelParams(h, 4000, 0, 0, "VMon:IMon:Pw", 2, res),
              ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SubscribeChannelParams(h, 4000, 0, 0, "VMon", 3, res),
              ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SubscribeBoardParams(h, 4000, 0, nullptr, 1, res), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SubscribeBoardParams(h, 4000, 0, "Temp", 1, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SubscribeBoardParams(h + 1, 4000, 0, "Temp", 1, res), ZEVAHV_ERR_NOTCONNECTED);
    EXPECT_EQ(ZEVAHV_UnSubscribeChannelParams(-1, 4000, 0, 0, "VMon", 1, res),
              ZEVAHV_ERR_INVALIDPARAMETER);

    // A port above 32767 travels as a negative short and arrives whole.
    const short port = static_cast<short>(static_cast<unsigned short>(50001));
    ASSERT_EQ(ZEVAHV_Subscribe(h, port, 1, "ZEVA_Q3815_HVL_000.Board00.CHAN000.VMon", res), 0);
    EXPECT_EQ(seen().port, 50001u);
    EXPECT_EQ(seen().items, "ZEVA_Q3815_HVL_000.Board00.CHAN000.VMon");
}
