// System properties and commands of a current crate.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "crate.h"

namespace {

std::vector<std::string> unpack(const char* p, int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i, p += out.back().size() + 1) out.emplace_back(p);
    return out;
}

std::string text_prop(int h, const char* name, int* r = nullptr) {
    char buf[1024] = {};
    const int code = ZEVAHV_GetSysProp(h, name, buf);
    if (r) *r = code;
    return buf;
}

short short_prop(int h, const char* name, int* r = nullptr) {
    short v = -999;
    const int code = ZEVAHV_GetSysProp(h, name, &v);
    if (r) *r = code;
    return v;
}

}  // namespace

TEST(MainframeSysProps, ListsInfoAndEveryValue) {
    Crate crate;
    OpenSystem s(crate);
    unsigned short n = 0;
    char* list = nullptr;
    ASSERT_EQ(ZEVAHV_GetSysPropList(s.h, &n, &list), 0);
    const auto props = unpack(list, n);
    ZEVAHV_Free(list);
    EXPECT_EQ(n, 27);
    ASSERT_EQ(ZEVAHV_GetExecCommList(s.h, &n, &list), 0);
    EXPECT_EQ(unpack(list, n),
              (std::vector<std::string>{"Kill", "ClearAlarm", "EnMsg", "DisMsg", "Format"}));
    ZEVAHV_Free(list);

    // Every listed property reads, in the form its type says.
    for (const std::string& p : props) {
        unsigned mode = 9, type = 9;
        ASSERT_EQ(ZEVAHV_GetSysPropInfo(s.h, p.c_str(), &mode, &type), 0) << p;
        unsigned char buf[1024];
        std::memset(buf, 0xAB, sizeof buf);
        EXPECT_EQ(ZEVAHV_GetSysProp(s.h, p.c_str(), buf), 0) << p << ": " << ZEVAHV_GetError(s.h);
        if (type == ZEVAHV_SYSPROP_TYPE_STR) {
            EXPECT_NE(std::memchr(buf, 0, sizeof buf), nullptr) << p;
        }
    }
    EXPECT_EQ(text_prop(s.h, "ModelName"), "KR2440");
    EXPECT_EQ(text_prop(s.h, "SwRelease"), "5.20");
    EXPECT_EQ(text_prop(s.h, "IPAddr"), "192.168.10.20");
    EXPECT_TRUE(std::regex_match(text_prop(s.h, "HvPwSM"),
                                 std::regex(R"(\d+:\d+(:(B661[01]|0|-1)){3})")))
        << text_prop(s.h, "HvPwSM");
    EXPECT_TRUE(std::regex_match(text_prop(s.h, "HVFanStat"), std::regex(R"(\d+(:\d+){5})")))
        << text_prop(s.h, "HVFanStat");
    EXPECT_TRUE(std::regex_match(text_prop(s.h, "Sessions"),
                                 std::regex(R"(([^:;]*:){4}[^:;]*;)")))
        << text_prop(s.h, "Sessions");
    EXPECT_TRUE(std::regex_match(text_prop(s.h, "HVClkConf"), std::regex(R"(\d+:\d+)")));
    // The reset flag is not kept by the crate: 0 without a request.
    const long before = crate.count("GETRSFLAG");
    EXPECT_EQ(short_prop(s.h, "ResFlag"), 0);
    EXPECT_EQ(crate.count("GETRSFLAG"), before);

    unsigned mode = 0, type = 0;
    EXPECT_EQ(ZEVAHV_GetSysPropInfo(s.h, "ClkFreq", &mode, &type), 0);
    EXPECT_EQ(type, unsigned{ZEVAHV_SYSPROP_TYPE_FREQ});
    EXPECT_EQ(ZEVAHV_GetSysPropInfo(s.h, "DummyReg", &mode, &type), 0);
    EXPECT_EQ(mode, unsigned{ZEVAHV_SYSPROP_MODE_RDWR});
    EXPECT_EQ(type, unsigned{ZEVAHV_SYSPROP_TYPE_UINT4});
    EXPECT_EQ(ZEVAHV_GetSysPropInfo(s.h, "Kill", &mode, &type), ZEVAHV_ERR_NOTSYSPROP);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "No System Property");
    EXPECT_EQ(ZEVAHV_GetSysPropInfo(s.h, "Colour", &mode, &type), ZEVAHV_ERR_PROPNOTFOUND);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Property not found");
    // The legacy crates' names are no properties of a current one.
    EXPECT_EQ(ZEVAHV_GetSysPropInfo(s.h, "FanStat", &mode, &type), ZEVAHV_ERR_PROPNOTFOUND);
}

TEST(MainframeSysProps, WritesReadBack) {
    Crate crate;
    OpenSystem s(crate);
    char name[] = "Hall B";
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "SymbolicName", name), 0) << ZEVAHV_GetError(s.h);
    EXPECT_EQ(text_prop(s.h, "SymbolicName"), "Hall B");
    EXPECT_EQ(text_prop(s.h, "ModelName"), "KR2440");
    char ip[] = "10.1.2.3";
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "IPAddr", ip), 0);
    EXPECT_EQ(text_prop(s.h, "IPAddr"), "10.1.2.3");
    char clk[] = "2";
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "HVClkConf", clk), 0) << ZEVAHV_GetError(s.h);
    short speed = 3200;
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "HVFanSpeed", &speed), 0) << ZEVAHV_GetError(s.h);
    EXPECT_EQ(short_prop(s.h, "HVFanSpeed"), 3200);
    short level = 3;  // one bit: 1
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "OutputLevel", &level), 0) << ZEVAHV_GetError(s.h);
    EXPECT_EQ(short_prop(s.h, "OutputLevel"), 1);
    unsigned reg = 0xCAFE0001u;
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "DummyReg", &reg), 0);
    unsigned back = 0;
    ASSERT_EQ(ZEVAHV_GetSysProp(s.h, "DummyReg", &back), 0);
    EXPECT_EQ(back, 0xCAFE0001u);
    short cfg = 0x0005;  // the crate keeps one byte: the high byte goes first
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "GenSignCfg", &cfg), 0) << ZEVAHV_GetError(s.h);
    EXPECT_EQ(short_prop(s.h, "GenSignCfg"), 5);
    cfg = 0x0105;
    EXPECT_EQ(ZEVAHV_SetSysProp(s.h, "GenSignCfg", &cfg), ZEVAHV_ERR_OUTOFRANGE);

    EXPECT_EQ(ZEVAHV_SetSysProp(s.h, "ModelName", name), ZEVAHV_ERR_NOTSETPROP);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "No Set Property");
    EXPECT_EQ(ZEVAHV_SetSysProp(s.h, "ResFlag", &cfg), ZEVAHV_ERR_NOTSETPROP);
    EXPECT_EQ(ZEVAHV_GetSysProp(s.h, "Kill", name), ZEVAHV_ERR_NOTGETPROP);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "No Get Property");
    EXPECT_EQ(ZEVAHV_SetSysProp(s.h, "Nope", name), ZEVAHV_ERR_PROPNOTFOUND);
}

TEST(MainframeSysProps, KillAndClearAlarm) {
    Crate crate;
    OpenSystem s(crate);
    ASSERT_EQ(set_ch_uint(s.h, 0, 0, "Pw", 1), 0);
    ASSERT_EQ(ZEVAHV_ExecComm(s.h, "Kill"), 0) << ZEVAHV_GetError(s.h);
    EXPECT_EQ(ch_uint(s.h, 0, 0, "Pw"), 0u);
    EXPECT_NE(ch_uint(s.h, 0, 0, "Status") & (1u << 12), 0u);  // killed
    ASSERT_EQ(ZEVAHV_ExecComm(s.h, "ClearAlarm"), 0) << ZEVAHV_GetError(s.h);
    EXPECT_EQ(ch_uint(s.h, 0, 0, "Status") & (1u << 12), 0u);
    EXPECT_EQ(crate.count("KILL_1"), 1);
    EXPECT_EQ(crate.count("CLRALARM_2"), 1);

    EXPECT_EQ(ZEVAHV_ExecComm(s.h, "Format"), ZEVAHV_ERR_EXECNOTAVAIL);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Execute command not yet avalaible");
    EXPECT_EQ(ZEVAHV_ExecComm(s.h, "ModelName"), ZEVAHV_ERR_NOTEXECOMM);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "No Execute Command");
    EXPECT_EQ(ZEVAHV_ExecComm(s.h, "Explode"), ZEVAHV_ERR_EXECNOTFOUND);
    EXPECT_STREQ(ZEVAHV_GetError(s.h), "Execute command not found");

    // A read-only user is refused by the crate, with its code and text.
    int guest = -1;
    ASSERT_EQ(crate.open(&guest, "guest", "guest", ZEVAHV_SYS_KR2550), 0);
    EXPECT_NE(ZEVAHV_ExecComm(guest, "Kill"), 0);
    EXPECT_STREQ(ZEVAHV_GetError(guest), "User has no write access");
    ZEVAHV_DeinitSystem(guest);
}
