#include "fault_support.h"

#include <dirent.h>
#include <gtest/gtest.h>

const char* transport_name(Transport t) { return t == Transport::Tcp ? "Tcp" : "Serial"; }

std::unique_ptr<SimProcess> start_q3815(Transport t, std::vector<std::string> args) {
    if (t == Transport::Serial) args.insert(args.begin(), "--pty");
    return SimProcess::start("q3815", std::move(args));
}

int open_q3815(const SimProcess& sim, Transport t, int* handle, int board) {
    std::string arg = t == Transport::Tcp ? sim.tcp_arg(board) : sim.serial_arg(board);
    return ZEVAHV_InitSystem(ZEVAHV_SYS_Q3815,
                             t == Transport::Tcp ? ZEVAHV_LINK_TCPIP : ZEVAHV_LINK_USBVCP,
                             arg.data(), "", "", handle);
}

int open_fd_count() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n - 1;  // the directory's own descriptor
}

int read_vset(int h, unsigned short ch, float* v) {
    return ZEVAHV_GetChParam(h, 0, "VSet", 1, &ch, v);
}

int write_vset(int h, unsigned short ch, float v) {
    return ZEVAHV_SetChParam(h, 0, "VSet", 1, &ch, &v);
}

void control_ok(SimProcess& sim, const std::string& cmd) {
    EXPECT_EQ(sim.control(cmd).rfind("OK", 0), 0u) << cmd;
}
