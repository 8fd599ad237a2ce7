// Opening and closing current mainframes: logins, the session limit, the
// duplicate check and the error texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crate.h"

TEST(MainframeSession, OpenBothTypesAndClose) {
    Crate crate;
    int a = -1, b = -1;
    ASSERT_EQ(crate.open(&a, "admin", "admin", ZEVAHV_SYS_KR2440), 0);
    // The same address with the same type is caught; a KR2550 is stored as
    // family 2 and so is not.
    int dup = 7;
    EXPECT_EQ(crate.open(&dup, "admin", "admin", ZEVAHV_SYS_KR2440), ZEVAHV_ERR_DEVALREADYOPEN);
    EXPECT_EQ(dup, -1);
    ASSERT_EQ(crate.open(&b, "user", "user", ZEVAHV_SYS_KR2550), 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(crate.control("sessions"), "OK 2");
    EXPECT_EQ(std::string(ZEVAHV_GetError(a)), "ok");
    EXPECT_EQ(ZEVAHV_DeinitSystem(a), 0);
    EXPECT_EQ(ZEVAHV_DeinitSystem(b), 0);
    EXPECT_TRUE(eventually([&] { return crate.control("sessions") == "OK 0"; }));
    EXPECT_EQ(ZEVAHV_DeinitSystem(a), ZEVAHV_ERR_NOTCONNECTED);
    EXPECT_EQ(std::string(ZEVAHV_GetError(a)), " Connection failed ");
}

TEST(MainframeSession, RefusedLoginsAndUnreachableAddresses) {
    Crate crate;
    int h = 5;
    EXPECT_EQ(crate.open(&h, "admin", "wrong"), ZEVAHV_ERR_LOGINFAILED);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(crate.open(&h, nullptr, nullptr), ZEVAHV_ERR_LOGINFAILED);
    // Nothing listens there; a name is never looked up; a bad port.
    for (const char* arg : {"127.0.0.1:1", "localhost:2527", "127.0.0.1:99999", "127.0.0.1:",
                            "300.1.2.3", ""}) {
        std::string a = arg;
        EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_KR2440, ZEVAHV_LINK_TCPIP, a.data(), "admin",
                                    "admin", &h),
                  ZEVAHV_ERR_OPENFAILED)
            << arg;
    }
    // Mainframes are reached over TCP/IP only.
    std::string a = crate.address();
    EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_KR2440, ZEVAHV_LINK_USBVCP, a.data(), "admin", "admin",
                                &h),
              ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(crate.control("sessions"), "OK 0");
}

TEST(MainframeSession, TheThirtyFourthSessionIsRefused) {
    Crate crate;
    // A KR2550 is stored as family 2, so the duplicate check lets one
    // address be opened again and again: the 33 connection records are the
    // limit.
    std::vector<int> handles;
    for (int i = 0; i < 33; ++i) {
        int h = -1;
        ASSERT_EQ(crate.open(&h, "admin", "admin", ZEVAHV_SYS_KR2550), 0) << i;
        handles.push_back(h);
    }
    int h = 9;
    EXPECT_EQ(crate.open(&h, "admin", "admin", ZEVAHV_SYS_KR2550), ZEVAHV_ERR_OPENFAILED);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(crate.control("sessions"), "OK 33");
    // A record comes back with its close.
    EXPECT_EQ(ZEVAHV_DeinitSystem(handles.back()), 0);
    ASSERT_EQ(crate.open(&h, "admin", "admin", ZEVAHV_SYS_KR2550), 0);
    handles.back() = h;
    for (int x : handles) EXPECT_EQ(ZEVAHV_DeinitSystem(x), 0);
}

TEST(MainframeSession, NullPointersAndEmptyListsGetCodes) {
    Crate crate;
    OpenSystem s(crate);
    const unsigned short ch = 0;
    float v = 0;
    char buf[64];
    unsigned mode = 0, type = 0;
    EXPECT_EQ(ZEVAHV_GetChParam(s.h, 1, nullptr, 1, &ch, &v), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetChParam(s.h, 1, "VSet", 1, nullptr, &v), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SetChParam(s.h, 1, "VSet", 1, &ch, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SetChParam(s.h, 1, "VSet", 0, nullptr, &v), 0);
    EXPECT_EQ(ZEVAHV_SetChName(s.h, 1, 1, &ch, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetSysProp(s.h, nullptr, buf), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetSysProp(s.h, "SwRelease", nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetSysPropInfo(s.h, "SwRelease", nullptr, &type), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SetSysProp(s.h, "SymbolicName", nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_ExecComm(s.h, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetChParamProp(s.h, 1, 0, "VSet", nullptr, &mode), ZEVAHV_ERR_INVALIDPARAMETER);
    // An empty subscription names nothing: refused without a request.
    char res[1];
    const long before = crate.count("NEWSUBSCRIBE");
    EXPECT_EQ(ZEVAHV_Subscribe(s.h, 5000, 0, nullptr, res), ZEVAHV_ERR_PARAMNOTFOUND);
    EXPECT_EQ(crate.count("NEWSUBSCRIBE"), before);
    // The session is still fine.
    EXPECT_EQ(ZEVAHV_GetSysProp(s.h, "SwRelease", buf), 0);
}
