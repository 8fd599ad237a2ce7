// The crate map, one slot's board, and channel names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "crate.h"

TEST(MainframeLayout, CrateMapWithEmptySlots) {
    Crate crate;
    OpenSystem s(crate);
    CrateMap map;
    ASSERT_EQ(map.read(s.h), 0);
    ASSERT_EQ(map.slots, 6);
    EXPECT_EQ(map.model_list(),
              (std::vector<std::string>{"ZB3012P", "ZB6024N", "", "ZB4016M", "ZB2548B", ""}));
    EXPECT_EQ(map.description_list()[1], "24 Ch Neg. 6KV 1mA");
    EXPECT_EQ(map.description_list()[2], "");
    const unsigned short channels[] = {12, 24, 0, 16, 48, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(map.channels[i], channels[i]) << i;
    EXPECT_EQ(map.serials[1], 2417);
    EXPECT_EQ(map.serials[2], 0);
    EXPECT_EQ(map.fw_max[1], 2);
    EXPECT_EQ(map.fw_min[1], 1);
    EXPECT_EQ(map.fw_max[5], 0);
}

TEST(MainframeLayout, BoardPresence) {
    Crate crate;
    OpenSystem s(crate);
    unsigned short ch = 0, serial = 0;
    unsigned char lo = 0, hi = 0;
    char *model = nullptr, *desc = nullptr;
    ASSERT_EQ(ZEVAHV_TestBdPresence(s.h, 4, &ch, &model, &desc, &serial, &lo, &hi), 0);
    EXPECT_STREQ(model, "ZB2548B");
    EXPECT_STREQ(desc, "48 Ch Bipolar 2.5KV 200uA");
    EXPECT_EQ(ch, 48);
    EXPECT_EQ(serial, 4410);
    EXPECT_EQ(hi, 3);
    EXPECT_EQ(lo, 2);
    ZEVAHV_Free(model);
    ZEVAHV_Free(desc);
    model = desc = nullptr;
    // An empty slot is the crate's refusal, and nothing is left to free.
    EXPECT_EQ(ZEVAHV_TestBdPresence(s.h, 2, &ch, &model, &desc, &serial, &lo, &hi),
              ZEVAHV_ERR_SLOTNOTPRES);
    EXPECT_EQ(model, nullptr);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Slot NOT Present");
    char *given = desc = reinterpret_cast<char *>(&ch);
    EXPECT_EQ(ZEVAHV_TestBdPresence(s.h, 4, &ch, &model, &desc, &serial, &lo, &hi),
              ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(desc, given);
}

TEST(MainframeLayout, ChannelNames) {
    Crate crate;
    OpenSystem s(crate);
    const unsigned short chs[] = {0, 3};
    EXPECT_EQ(ZEVAHV_SetChName(s.h, 1, 2, chs, "Beam left"), 0);
    char names[2][ZEVAHV_MAX_CH_NAME];
    std::memset(names, 'x', sizeof names);
    ASSERT_EQ(ZEVAHV_GetChName(s.h, 1, 2, chs, names), 0);
    EXPECT_STREQ(names[0], "Beam left");
    EXPECT_STREQ(names[1], "Beam left");

    // A name the crate holds beyond the client's 12-byte field is cut there.
    EXPECT_EQ(crate.control("name 1 5 " + std::string(40, 'n')).rfind("OK", 0), 0u);
    const unsigned short five = 5;
    char one[1][ZEVAHV_MAX_CH_NAME];
    ASSERT_EQ(ZEVAHV_GetChName(s.h, 1, 1, &five, one), 0);
    EXPECT_EQ(std::string(one[0]), std::string(11, 'n'));

    // 255 characters go to the crate (which holds 11 and says so); 256 are
    // refused by the library without a request.
    const long before = crate.count("SETCHNAME");
    EXPECT_EQ(ZEVAHV_SetChName(s.h, 1, 1, chs, std::string(255, 'a').c_str()),
              ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_EQ(crate.count("SETCHNAME"), before + 1);
    EXPECT_EQ(ZEVAHV_SetChName(s.h, 1, 1, chs, std::string(256, 'a').c_str()),
              ZEVAHV_ERR_OUTOFRANGE);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Value out of range");
    EXPECT_EQ(crate.count("SETCHNAME"), before + 1);
}
