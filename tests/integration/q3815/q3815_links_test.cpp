// Links to Q3815 modules: a serial line (a pseudo-terminal) shared by two
// board addresses, TCP, a silent module, a failed open, and closing that
// gives the port back.
#include <chrono>
#include <memory>

#include "module_session.h"

using Clock = std::chrono::steady_clock;

TEST(Q3815Links, TwoBoardsShareOneSerialLine) {
    auto sim = SimProcess::start("q3815", {"--pty", "--boards", "0,1"});
    OpenSystem a(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, sim->serial_arg(0));
    OpenSystem b(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, sim->serial_arg(1));
    ASSERT_EQ(a.result(), 0);
    ASSERT_EQ(b.result(), 0);
    EXPECT_NE(a.handle(), b.handle());

    const unsigned short ch = 0;
    float va = 111, vb = 222;
    ASSERT_EQ(ZEVAHV_SetChParam(a.handle(), 0, "VSet", 1, &ch, &va), 0);
    ASSERT_EQ(ZEVAHV_SetChParam(b.handle(), 0, "VSet", 1, &ch, &vb), 0);
    EXPECT_EQ(commands_with(*sim, {"$BD:00,CMD:SET,CH:0,PAR:VSET,VAL:111.0"}), 1);
    EXPECT_EQ(commands_with(*sim, {"$BD:01,CMD:SET,CH:0,PAR:VSET,VAL:222.0"}), 1);
    EXPECT_EQ(sim->control("get 1 VSET 0"), "OK 0222.0");
    EXPECT_FLOAT_EQ(get_float(a.handle(), "VSet", 0), 111.0f);

    // Closing the first leaves the line open for the second.
    EXPECT_EQ(a.close(), 0);
    int rc = -1;
    EXPECT_FLOAT_EQ(get_float(b.handle(), "VSet", 0, &rc), 222.0f);
    EXPECT_EQ(rc, 0);

    // With the last user gone the port is released: it can be opened again
    // (the port is opened exclusively, so a leaked descriptor would refuse).
    EXPECT_EQ(b.close(), 0);
    OpenSystem again(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, sim->serial_arg(0));
    ASSERT_EQ(again.result(), 0);
    EXPECT_FLOAT_EQ(get_float(again.handle(), "VSet", 0), 111.0f);
    EXPECT_EQ(ZEVAHV_DeinitSystem(again.handle()), 0);
    EXPECT_EQ(ZEVAHV_DeinitSystem(again.handle()), ZEVAHV_ERR_NOTCONNECTED);
}

TEST(Q3815Links, SilentModuleTimesOutAndRecovers) {
    auto sim = SimProcess::start("q3815", {"--pty"});
    OpenSystem sys(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, sim->serial_arg(0));
    ASSERT_EQ(sys.result(), 0);
    ASSERT_EQ(sim->control("fault silent").substr(0, 2), "OK");
    int rc = -1;
    auto t0 = Clock::now();
    get_float(sys.handle(), "VMon", 0, &rc);
    auto took = Clock::now() - t0;
    EXPECT_EQ(rc, 3);
    EXPECT_GE(took, std::chrono::milliseconds(500));
    EXPECT_LT(took, std::chrono::seconds(10));
    sim->control("fault none");
    get_float(sys.handle(), "VMon", 0, &rc);
    EXPECT_EQ(rc, 0);
}

TEST(Q3815Links, OpensThatMustFail) {
    auto sim = SimProcess::start("q3815", {"--boards", "0"});
    // Nobody answers board 5; a port without a module; an argument without
    // a port number; a serial port that does not exist.
    OpenSystem wrong_board(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, sim->tcp_arg(5));
    EXPECT_EQ(wrong_board.result(), ZEVAHV_ERR_OPENFAILED);
    EXPECT_EQ(wrong_board.handle(), -1);
    OpenSystem bad_arg(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, "ttyNothing");
    EXPECT_EQ(bad_arg.result(), ZEVAHV_ERR_OPENFAILED);
    OpenSystem no_port(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, "/dev/zevahv-none-7");
    EXPECT_EQ(no_port.result(), ZEVAHV_ERR_OPENFAILED);

    // A module that refuses its identification fails the open, and the
    // slot stays free for a good one.
    ASSERT_EQ(sim->control("fault silent").substr(0, 2), "OK");
    OpenSystem silent(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, sim->tcp_arg(0));
    EXPECT_EQ(silent.result(), ZEVAHV_ERR_OPENFAILED);
    sim->control("fault none");
    OpenSystem good(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, sim->tcp_arg(0));
    ASSERT_EQ(good.result(), 0);
    OpenSystem twice(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, sim->tcp_arg(0));
    EXPECT_EQ(twice.result(), ZEVAHV_ERR_DEVALREADYOPEN);
    // After the module is gone the system answers with read failures.
    sim->kill_now();
    int rc = -1;
    get_float(good.handle(), "VMon", 0, &rc);
    EXPECT_EQ(rc, 3);
}
