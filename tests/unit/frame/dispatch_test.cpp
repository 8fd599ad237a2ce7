// Calls on open handles: the fixed answers of families that lack an
// operation, bad handles and null outputs, board presence buffers, error
// texts, and the gates around backend calls.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "ZEVAHVLink.h"
#include "fake_family.h"

using namespace std::chrono_literals;

namespace {

int open_one(int type, int link = 0, const char *addr = "10.0.0.1") {
    int h = -1;
    EXPECT_EQ(ZEVAHV_InitSystem(type, link, const_cast<char *>(addr), nullptr, nullptr, &h), 0);
    return h;
}

struct Answers {
    int sys_prop_list, sys_prop_info, get_sys_prop, set_sys_prop, get_bd_param, set_bd_param,
        test_bd_presence, set_ch_name, exec_comm, subscribe;
};

Answers answers_of(int h) {
    Answers a{};
    unsigned short n = 99;
    char *list = reinterpret_cast<char *>(&n);  // must be replaced by null
    a.sys_prop_list = ZEVAHV_GetSysPropList(h, &n, &list);
    if (a.sys_prop_list == 0) {
        EXPECT_EQ(n, 0);
        EXPECT_EQ(list, nullptr);
    }
    unsigned mode, type;
    a.sys_prop_info = ZEVAHV_GetSysPropInfo(h, "ModelName", &mode, &type);
    char buf[64];
    a.get_sys_prop = ZEVAHV_GetSysProp(h, "ModelName", buf);
    a.set_sys_prop = ZEVAHV_SetSysProp(h, "ModelName", buf);
    unsigned short slot = 0;
    float v = 1;
    a.get_bd_param = ZEVAHV_GetBdParam(h, 1, &slot, "Temp", &v);
    a.set_bd_param = ZEVAHV_SetBdParam(h, 1, &slot, "Temp", &v);
    unsigned short nch, ser;
    char *model = nullptr, *desc = nullptr;
    unsigned char lo, hi;
    a.test_bd_presence = ZEVAHV_TestBdPresence(h, 0, &nch, &model, &desc, &ser, &lo, &hi);
    EXPECT_EQ(model, nullptr);
    EXPECT_EQ(desc, nullptr);
    a.set_ch_name = ZEVAHV_SetChName(h, 0, 1, &slot, "name");
    a.exec_comm = ZEVAHV_ExecComm(h, "ClearAlarm");
    char res[1] = {42};
    a.subscribe = ZEVAHV_Subscribe(h, 4000, 1, "X.Board00.VMon", res);
    EXPECT_EQ(ZEVAHV_UnSubscribe(h, 4000, 1, "X.Board00.VMon", res), a.subscribe);
    EXPECT_EQ(res[0], 42) << "nothing written for a refused call";
    return a;
}

}  // namespace

TEST(Dispatch, FamiliesWithoutAnOperationGiveTheirFixedAnswer) {
    FakeFamilies fam({5, 6, 7, 9, 10, 13}, &kBareOps);
    struct Row {
        int type, link;
        Answers want;
    } rows[] = {
        // sysproplist info get set getbd setbd presence chname exec subscribe
        {6, 0, {0, 22, 22, 22, 6, 6, 6, 2, 6, 4102}},
        {7, 0, {0, 22, 22, 22, 6, 6, 6, 2, 6, 4102}},
        {13, 5, {0, 22, 22, 22, 6, 6, 6, 2, 6, 4102}},
        {10, 0, {0, 22, 22, 22, 6, 6, 6, 2, 6, 4102}},
        {5, 3, {6, 22, 6, 6, 6, 6, 6, 2, 6, 4102}},
        {9, 3, {6, 22, 22, 22, 22, 0, 6, 2, 11, 4102}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE("system type " + std::to_string(row.type));
        const int h = open_one(row.type, row.link);
        const Answers a = answers_of(h);
        EXPECT_EQ(a.sys_prop_list, row.want.sys_prop_list);
        EXPECT_EQ(a.sys_prop_info, row.want.sys_prop_info);
        EXPECT_EQ(a.get_sys_prop, row.want.get_sys_prop);
        EXPECT_EQ(a.set_sys_prop, row.want.set_sys_prop);
        EXPECT_EQ(a.get_bd_param, row.want.get_bd_param);
        EXPECT_EQ(a.set_bd_param, row.want.set_bd_param);
        EXPECT_EQ(a.test_bd_presence, row.want.test_bd_presence);
        EXPECT_EQ(a.set_ch_name, row.want.set_ch_name);
        EXPECT_EQ(a.exec_comm, row.want.exec_comm);
        EXPECT_EQ(a.subscribe, row.want.subscribe);
        ASSERT_EQ(ZEVAHV_DeinitSystem(h), 0);
    }
}

TEST(Dispatch, BackendOperationsAreCalledWhenOffered) {
    FakeFamilies fam({6}, &kFullOps);
    const int h = open_one(6);
    unsigned short n = 0;
    char *list = nullptr;
    ASSERT_EQ(ZEVAHV_GetSysPropList(h, &n, &list), 0);
    EXPECT_EQ(n, 2);
    EXPECT_STREQ(list, "ModelName");
    EXPECT_EQ(ZEVAHV_Free(list), 0);
    EXPECT_EQ(ZEVAHV_Free(nullptr), 0);

    unsigned short chs[3] = {0, 2, 4};
    float v[3] = {};
    ASSERT_EQ(ZEVAHV_GetChParam(h, 0, "VMon", 3, chs, v), 0);
    EXPECT_FLOAT_EQ(v[2], 6.0f);
}

TEST(Dispatch, BadHandlesAndNullOutputsAreRefusedWithoutWriting) {
    FakeFamilies fam({6}, &kFullOps);
    unsigned short n = 7;
    char *list = nullptr;
    for (int bad : {-1, 100, 1000}) {
        EXPECT_EQ(ZEVAHV_GetSysPropList(bad, &n, &list), ZEVAHV_ERR_INVALIDPARAMETER);
        EXPECT_EQ(ZEVAHV_ExecComm(bad, "x"), ZEVAHV_ERR_INVALIDPARAMETER);
        EXPECT_EQ(ZEVAHV_Subscribe(bad, 1, 0, "", list), ZEVAHV_ERR_INVALIDPARAMETER);
    }
    EXPECT_EQ(ZEVAHV_GetSysPropList(4, &n, &list), ZEVAHV_ERR_NOTCONNECTED);

    const int h = open_one(6);
    unsigned short *chlist = nullptr;
    unsigned short *serials = nullptr;
    unsigned char *fw = nullptr;
    char *models = nullptr;
    EXPECT_EQ(ZEVAHV_GetCrateMap(h, &n, &chlist, &models, &models, &serials, &fw, nullptr),
              ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetSysPropList(h, nullptr, &list), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetSysPropList(h, &n, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(n, 7);
    unsigned short ch = 1;
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VMon", 1, &ch, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, nullptr, 1, &ch, &n), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_SetChParam(h, 0, "VSet", 1, &ch, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h, 0, 0, &list, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetChParamProp(h, 0, 0, "VSet", "Type", nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetChName(h, 0, 1, &ch, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(fake().calls.load(), 0) << "no refused call reached the backend";
    // A count of 0 needs no lists.
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VMon", 0, nullptr, nullptr), 0);
}

TEST(Dispatch, BoardPresenceBuffersBelongToTheCallerOnlyOnSuccess) {
    FakeFamilies fam({2}, &kFullOps);
    const int h = open_one(2);
    unsigned short nch = 0, ser = 0;
    unsigned char lo = 0, hi = 0;
    char taken[4];
    char *model = taken, *desc = nullptr;
    EXPECT_EQ(ZEVAHV_TestBdPresence(h, 0, &nch, &model, &desc, &ser, &lo, &hi),
              ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(model, taken);
    EXPECT_EQ(desc, nullptr);

    model = nullptr;
    ASSERT_EQ(ZEVAHV_TestBdPresence(h, 0, &nch, &model, &desc, &ser, &lo, &hi), 0);
    EXPECT_STREQ(model, "A1535");
    EXPECT_STREQ(desc, "24 Ch 3.5KV/3mA");
    EXPECT_EQ(nch, 24);
    ZEVAHV_Free(model);
    ZEVAHV_Free(desc);

    // A failing backend leaves nothing to free (the leak checker watches).
    model = desc = nullptr;
    EXPECT_EQ(ZEVAHV_TestBdPresence(h, 3, &nch, &model, &desc, &ser, &lo, &hi),
              ZEVAHV_ERR_SLOTNOTPRES);
    EXPECT_EQ(model, nullptr);
    EXPECT_EQ(desc, nullptr);
}

TEST(ErrorText, TextsByHandleAndByLockName) {
    FakeFamilies fam({2, 6}, &kFullOps);
    EXPECT_STREQ(ZEVAHV_GetError(-1), " Connection failed ");
    EXPECT_STREQ(ZEVAHV_GetError(100), " Connection failed ");
    EXPECT_STREQ(ZEVAHV_GetError(0), " Connection failed ");
    EXPECT_STREQ(ZEVAHVLibSwRel(), "6.4");

    const int mainframe = open_one(2, 0, "10.0.0.1");
    const int module = open_one(6, 0, "10.0.0.2");
    EXPECT_STREQ(ZEVAHV_GetError(mainframe), "Timeout from server");
    EXPECT_STREQ(ZEVAHV_GetError(module), "");
    EXPECT_STREQ(ZEVAHVGetError("ZEVA_KR2440_HVL_000"), "Timeout from server");
    EXPECT_STREQ(ZEVAHVGetError("ZEVA_Q3815_HVL_001"), "");
    EXPECT_STREQ(ZEVAHVGetError("ZEVA_Q3815_HVL_002"), " Connection failed ");
    EXPECT_STREQ(ZEVAHVGetError(nullptr), " Connection failed ");
    ASSERT_EQ(ZEVAHV_DeinitSystem(mainframe), 0);
    EXPECT_STREQ(ZEVAHV_GetError(mainframe), " Connection failed ");
}

TEST(Gates, MainframeRequestsAreOrderedOneAtATime) {
    FakeFamilies fam({2}, &kFullOps);
    const int h = open_one(2);
    EXPECT_EQ(most_inside_at_once(h, 4, 200), 1);
    EXPECT_EQ(fake().calls.load(), 800);
}

TEST(Gates, CloseWaitsForTheCallsInsideAndKeepsNewOnesOut) {
    FakeFamilies fam({6}, &kFullOps);
    const int h = open_one(6);
    std::mutex m;
    std::condition_variable cv;
    bool entered = false, release = false;
    fake().in_call = [&] {
        std::unique_lock<std::mutex> lk(m);
        entered = true;
        cv.notify_all();
        cv.wait(lk, [&] { return release; });
    };
    std::atomic<int> call_result{-1};
    std::thread caller([&] {
        unsigned short ch = 0;
        float v;
        call_result = ZEVAHV_GetChParam(h, 0, "VMon", 1, &ch, &v);
    });
    {
        std::unique_lock<std::mutex> lk(m);
        cv.wait(lk, [&] { return entered; });
    }
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
        closed = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(closed) << "the close did not wait for the call inside";
    {
        std::lock_guard<std::mutex> lk(m);
        EXPECT_TRUE(fake().closed_conns.empty());
        release = true;
    }
    cv.notify_all();
    caller.join();
    closer.join();
    EXPECT_EQ(call_result.load(), 0);
    fake().in_call = nullptr;
    unsigned short ch = 0;
    float v;
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VMon", 1, &ch, &v), ZEVAHV_ERR_NOTCONNECTED);
}
