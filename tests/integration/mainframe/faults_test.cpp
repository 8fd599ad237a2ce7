// A crate that misbehaves on the request connection: every call comes back
// with a code and a text within its wait, and the next call is answered
// where the connection allows it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "crate.h"

namespace {

struct Faulty {
    Crate crate;
    OpenSystem sys{crate};
    // After the crate hung up, the close's logout fails the same way.
    void close_down() {
        EXPECT_EQ(ZEVAHV_DeinitSystem(sys.h), ZEVAHV_ERR_DOWN);
        sys.h = -1;
    }
    // Arms a fault for the next reply of GETCHPARAM, then reads one value.
    int read_with(const std::string& mode, float* v = nullptr) {
        EXPECT_EQ(crate.control("fault-once " + mode + " for GETCHPARAM").rfind("OK", 0), 0u) << mode;
        int r = 0;
        const float got = ch_float(sys.h, 1, 0, "VSet", &r);
        if (v) *v = got;
        return r;
    }
    int read_ok() {
        int r = 0;
        ch_float(sys.h, 1, 0, "VSet", &r);
        return r;
    }
    std::string text() const { return ZEVAHV_GetError(sys.h); }
};

}  // namespace

TEST(MainframeFaults, StrangeRepliesAndTheNextCall) {
    Faulty f;
    ASSERT_EQ(set_ch_float(f.sys.h, 1, 0, "VSet", 100.0f), 0);
    struct Case {
        const char* mode;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {"wrong-name", -1, "Reply does not answer the request"},
        {"wrong-name GETCHPARAMS", -1, "Reply does not answer the request"},
        {"garbage", -1, "Reply does not answer the request"},
        {"length 0", -1, "Reply does not answer the request"},
        {"length 1000000000", ZEVAHV_ERR_NOMEMORY, "User Memory not sufficient for communication"},
        {"cut-data 2", -1, "Reply does not answer the request"},
        {"refuse 12 Busy: come back", 12, "Busy: come back"},
        {"delay 300", 0, "ok"},
    };
    for (const Case& c : cases) {
        float v = -1;
        EXPECT_EQ(f.read_with(c.mode, &v), c.code) << c.mode;
        EXPECT_EQ(f.text(), c.text) << c.mode;
        if (c.code != 0) {
            EXPECT_EQ(v, -12345.0f) << c.mode << ": nothing written";
        }
        // The stream is back in step for the next request.
        EXPECT_EQ(f.read_ok(), 0) << "after " << c.mode;
        EXPECT_FLOAT_EQ(ch_float(f.sys.h, 1, 0, "VSet"), 100.0f) << "after " << c.mode;
    }
}

TEST(MainframeFaults, ACrateThatHangsUpStaysDown) {
    for (const char* mode : {"close-midreply", "drop"}) {
        Faulty f;
        EXPECT_EQ(f.read_with(mode), ZEVAHV_ERR_DOWN) << mode;
        EXPECT_EQ(f.text(), "CFE server down");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(f.read_ok(), ZEVAHV_ERR_DOWN);
        CrateMap map;
        EXPECT_EQ(map.read(f.sys.h), ZEVAHV_ERR_DOWN);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        f.close_down();
    }
    Faulty f;
    EXPECT_EQ(f.crate.control("disconnect").rfind("OK", 0), 0u);
    EXPECT_EQ(f.read_ok(), ZEVAHV_ERR_DOWN);
    // The close still frees the system (its logout fails).
    f.close_down();
    int h = -1;
    ASSERT_EQ(f.crate.open(&h), 0);
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
}

TEST(MainframeFaults, AFailedDescriptionFailsTheOpenAndLeavesNothing) {
    Crate crate;
    for (const char* mode : {"garbage", "cut-data 40", "refuse 9 no", "drop"}) {
        EXPECT_EQ(crate.control(std::string("fault-once ") + mode + " for GETSYSINFO").rfind("OK", 0), 0u);
        int h = 3;
        EXPECT_EQ(crate.open(&h), ZEVAHV_ERR_OPENFAILED) << mode;
        EXPECT_EQ(h, -1);
    }
    EXPECT_TRUE(eventually([&] { return crate.control("sessions") == "OK 0"; }));
    OpenSystem s(crate);  // and the next open works
    EXPECT_GE(s.h, 0);
}

TEST(MainframeFaults, ASilentCrateTimesOutAndIsAnsweredAfterwards) {
    Faulty f;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(f.read_with("silent"), ZEVAHV_ERR_TIMEERR);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::seconds(19));
    EXPECT_LT(waited, std::chrono::seconds(30));
    EXPECT_EQ(f.text(), "Timeout from server");
    EXPECT_EQ(f.read_ok(), 0);
}
