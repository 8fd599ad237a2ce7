// A communication library whose calls fail: every export on a register-
// access system answers with a code, nothing hangs or crashes, the polling
// thread sends nothing, and once the library answers again so does the
// system.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "comm_stand_in.h"
#include "event_listener.h"
#include "fault_support.h"

namespace {

class FailingLibrary : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { stand_in.set_faults(""); }
    CommStandIn& stand_in = CommStandIn::get();
};

TEST_P(FailingLibrary, EveryCallAnswersWithACodeAndRecovers) {
    const int type = GetParam();
    const bool board = type == ZEVAHV_SYS_W40XX;
    stand_in.use_model(board ? "w40xx" : "rd40xx");
    char arg[] = "0_0";
    int h = -1;
    stand_in.set_faults("any\n");
    EXPECT_EQ(ZEVAHV_InitSystem(type, ZEVAHV_LINK_USB, arg, "", "", &h), ZEVAHV_ERR_OPENFAILED);
    stand_in.set_faults("");
    ASSERT_EQ(ZEVAHV_InitSystem(type, ZEVAHV_LINK_USB, arg, "", "", &h), 0);

    EventListener listener;
    char item[64];
    std::snprintf(item, sizeof item, "ZEVA_%s_HVL_%03d.Board00.CHAN000.VSet",
                  board ? "W40XX" : "RD40XX", h);
    char result = 9;
    ASSERT_EQ(ZEVAHV_Subscribe(h, static_cast<short>(listener.port()), 1, item, &result), 0);
    const int fd = listener.accept_one(5000);
    ASSERT_GE(fd, 0);
    EventListener::read_ident(fd, 5000);

    stand_in.set_faults("any\n");
    Stopwatch clock;
    const unsigned short ch = 0, slot = 0;
    float f = 1;
    unsigned u = 1;
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VSet", 1, &ch, &f), ZEVAHV_ERR_READ);
    EXPECT_EQ(ZEVAHV_SetChParam(h, 0, "VSet", 1, &ch, &f), board ? ZEVAHV_ERR_READ : ZEVAHV_ERR_WRITE);
    EXPECT_EQ(ZEVAHV_SetChParam(h, 0, "Pw", 1, &ch, &u), board ? ZEVAHV_ERR_READ : ZEVAHV_ERR_WRITE);
    if (board) {
        EXPECT_EQ(ZEVAHV_GetBdParam(h, 1, &slot, "Temp", &f), ZEVAHV_ERR_READ);
        EXPECT_EQ(ZEVAHV_ExecComm(h, "ClrAlarm"), ZEVAHV_ERR_READ);
    }
    // What was read at open is still there.
    char* names = nullptr;
    int n = 0;
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h, 0, 0, &names, &n), 0);
    ZEVAHV_Free(names);
    EXPECT_LT(clock.seconds(), kCallBoundS);

    // Polling cycles fail: the frames stop.  (One may still be on its way.)
    pollfd p{fd, POLLIN, 0};
    char buf[8192];
    if (::poll(&p, 1, 700) == 1) (void)::read(fd, buf, sizeof buf);
    p.revents = 0;
    EXPECT_EQ(::poll(&p, 1, 1200), 0) << "no frame while every multi-read fails";

    stand_in.set_faults("");
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "VSet", 1, &ch, &f), 0);
    EXPECT_EQ(::poll(&p, 1, 3000), 1) << "frames come again";
    close(fd);
    EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
}

INSTANTIATE_TEST_SUITE_P(RegisterAccess, FailingLibrary,
                         ::testing::Values(ZEVAHV_SYS_W40XX, ZEVAHV_SYS_RD40XX),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(i.param == ZEVAHV_SYS_W40XX ? "W40XX" : "RD40XX");
                         });

}  // namespace
