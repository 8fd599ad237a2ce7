// Loading the communication library, the connection argument of every link,
// and what happens when the library or the device fails at open.
#include <gtest/gtest.h>

#include <cstdlib>

#include "regaccess_support.h"

namespace {

// Sets (or, with null, unsets) an environment variable for one scope.
class EnvScope {
public:
    EnvScope(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvScope() {
        if (had_) setenv(name_, old_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        stand_in.use_model("");
        stand_in.set_faults("");
    }
    void TearDown() override {
        stand_in.use_model("");
        stand_in.set_faults("");
    }
    CommStandIn& stand_in = CommStandIn::get();
};

TEST_F(Binding, EveryLinkAndArgumentFormReachesTheDevice) {
    struct Case {
        int type, link;
        const char* arg;
        const char* logged;  // what the stand-in was asked to open
    };
    const Case cases[] = {
        {ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, "0_0_32100000", "open usb 0 node 0 base 32100000"},
        {ZEVAHV_SYS_W40XX, ZEVAHV_LINK_OPTLINK, "1_2_32100000", "open optlink 1 node 2 base 32100000"},
        {ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB3, "3_1f_0x10000", "open usb3 3 node 1f base 00010000"},
        {ZEVAHV_SYS_W40XX, ZEVAHV_LINK_B7301, "2", "open b7301 2 node 0 base 00000000"},
        {ZEVAHV_SYS_W40XX, ZEVAHV_LINK_B7301, "2_9_ee000000", "open b7301 2 node 0 base ee000000"},
        {ZEVAHV_SYS_W40XX, ZEVAHV_LINK_TCPIP, "127.0.0.1_4_32100000",
         "open tcp 127.0.0.1 node 4 base 32100000"},
        {ZEVAHV_SYS_RD40XX, ZEVAHV_LINK_USB, "5_0", "open usb 5 node 0 base 00000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        const auto mark = stand_in.log_mark();
        System s(c.type, c.link, c.arg);
        ASSERT_EQ(s.result(), 0);
        const auto lines = stand_in.log_since(mark);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front().rfind(c.logged, 0), 0u) << lines.front();

        const CrateMap map = crate_map(s.handle());
        ASSERT_EQ(map.result, 0);
        EXPECT_EQ(map.slots, 1);
        EXPECT_EQ(map.model, c.type == ZEVAHV_SYS_W40XX ? "W4012" : "RD40XX");

        s.close();
        EXPECT_EQ(stand_in.count_since(mark, "close "), 1) << "the device is closed with the system";
    }
}

TEST_F(Binding, MalformedArgumentsFailTheOpenBeforeTheDevice) {
    const auto mark = stand_in.log_mark();
    for (const char* arg : {"", "0", "0_", "x_0", "0_0_zz", "0_0_1_2", "-3_0"}) {
        int h = 7;
        EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, const_cast<char*>(arg), "",
                                    "", &h),
                  ZEVAHV_ERR_OPENFAILED)
            << "'" << arg << "'";
        EXPECT_EQ(h, -1);
    }
    for (const char* arg : {"localhost_0", "10.0.0.1", "1.2.3.4.5_0"}) {
        int h = 7;
        EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_TCPIP, const_cast<char*>(arg),
                                    "", "", &h),
                  ZEVAHV_ERR_OPENFAILED)
            << arg;
    }
    EXPECT_EQ(stand_in.count_since(mark, "open "), 0);

    // The desktop units are reached through the communication library only.
    int h;
    EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_RD40XX, ZEVAHV_LINK_TCPIP,
                                const_cast<char*>("127.0.0.1_0"), "", "", &h),
              ZEVAHV_ERR_INVALIDPARAMETER);
}

TEST_F(Binding, TheLoaderPathFindsTheLibraryByName) {
    EnvScope no_file("ZEVAHV_COMM_LIBRARY", nullptr);
    System s(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, w40xx_arg());
    EXPECT_EQ(s.result(), 0) << "libZEVAComm.so is on LD_LIBRARY_PATH for this test";
}

TEST_F(Binding, ANamedLibraryThatDoesNotServeFailsWithoutFallback) {
    const std::string not_a_library = stand_in.write_file("not-a-library.so", "hello\n");
    for (const std::string& file :
         {std::string("/nonexistent/libZEVAComm.so"), not_a_library, std::string(COMM_WITHOUT_OPEN)}) {
        SCOPED_TRACE(file);
        EnvScope named("ZEVAHV_COMM_LIBRARY", file.c_str());
        // The stand-in is on the loader path, so any fallback would succeed.
        int h = 7;
        for (int type : {ZEVAHV_SYS_W40XX, ZEVAHV_SYS_RD40XX})
            EXPECT_EQ(ZEVAHV_InitSystem(type, ZEVAHV_LINK_USB, const_cast<char*>("0_0"), "", "", &h),
                      ZEVAHV_ERR_OPENFAILED);
        EXPECT_EQ(h, -1);
    }
}

TEST_F(Binding, AMissingEntryPointFailsOnlyWhatNeedsIt) {
    EnvScope named("ZEVAHV_COMM_LIBRARY", COMM_WITHOUT_READ32);
    {
        System board(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, w40xx_arg());
        ASSERT_EQ(board.result(), 0);
        int r = -1;
        get_float(board.handle(), "VMon", 0, &r);
        EXPECT_EQ(r, 0);
        get_float(board.handle(), "IMon", 0, &r);  // two registers: a 32-bit read
        EXPECT_EQ(r, ZEVAHV_ERR_READ);
    }
    // The desktop unit's open needs the 32-bit read for its firmware word.
    System unit(ZEVAHV_SYS_RD40XX, ZEVAHV_LINK_USB, "0_0");
    EXPECT_EQ(unit.result(), ZEVAHV_ERR_OPENFAILED);
}

TEST_F(Binding, DeviceFailuresAtOpenFailTheOpenAndReleaseTheDevice) {
    struct Case {
        int type;
        const char* faults;
        const char* model;
    };
    const Case cases[] = {
        {ZEVAHV_SYS_W40XX, "open", ""},
        {ZEVAHV_SYS_W40XX, "read16 addr=0x4100", ""},  // inside the descriptor area
        {ZEVAHV_SYS_W40XX, "read16 addr=0x8100", ""},  // the channel count
        {ZEVAHV_SYS_W40XX, "read16 addr=0x8120", ""},  // the firmware
        {ZEVAHV_SYS_W40XX, "", "kind w40xx\nchannels 64\n"},  // more than the map holds
        {ZEVAHV_SYS_RD40XX, "read16 addr=0x8140", ""},
        {ZEVAHV_SYS_RD40XX, "write16 addr=0x1034 times=1", ""},  // the first query selector
        {ZEVAHV_SYS_RD40XX, "read16 addr=0x1044", ""},
        {ZEVAHV_SYS_RD40XX, "", "kind rd40xx\nmodule-type 0x010B\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.faults) + c.model);
        if (*c.model) stand_in.use_model_text(c.model);
        stand_in.set_faults(c.faults);
        const auto mark = stand_in.log_mark();
        System s(c.type, ZEVAHV_LINK_USB, c.type == ZEVAHV_SYS_W40XX ? w40xx_arg() : "0_0");
        EXPECT_EQ(s.result(), ZEVAHV_ERR_OPENFAILED);
        EXPECT_EQ(stand_in.count_since(mark, "open "), stand_in.count_since(mark, "close "))
            << "a device opened for a failed open is closed again";
        stand_in.set_faults("");
        stand_in.use_model("");
    }
    // A mask that cannot be read leaves its entry without rows; the board opens.
    stand_in.set_faults("read16 addr=0x4400");
    System s(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, w40xx_arg());
    ASSERT_EQ(s.result(), 0);
    EXPECT_TRUE(board_params(s.handle()).empty());
    EXPECT_EQ(channel_params(s.handle(), 0).size(), 13u);
}

}  // namespace
