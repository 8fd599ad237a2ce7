#include "concurrency_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

int open_system(int system_type, bool serial, const std::string& arg, int* handle) {
    std::string a = arg;
    return ZEVAHV_InitSystem(system_type, serial ? ZEVAHV_LINK_USBVCP : ZEVAHV_LINK_TCPIP, a.data(),
                             "", "", handle);
}

std::string channel_items(const char* lock_prefix, int handle, const char* par, int n) {
    std::string list;
    for (int ch = 0; ch < n; ++ch) {
        char item[128];
        std::snprintf(item, sizeof item, "%s%03d.Board00.CHAN%03d.%s", lock_prefix, handle, ch, par);
        if (!list.empty()) list += ':';
        list += item;
    }
    return list;
}


void run_parallel(const std::vector<std::function<void()>>& jobs) {
    std::vector<std::thread> threads;
    threads.reserve(jobs.size());
    for (const auto& j : jobs) threads.emplace_back(j);
    for (auto& t : threads) t.join();
}

int read_frame(int fd, std::vector<IDValue_t>* records) {
    ZEVAHV_SYSTEMSTATUS_t status;
    IDValue_t* ev = nullptr;
    unsigned n = 0;
    const int r = ZEVAHV_GetEventData(fd, &status, &ev, &n);
    records->assign(ev, ev + n);
    ZEVAHV_FreeEventData(&ev);
    return r;
}

int ident_board(const std::string& ident) {
    const auto us = ident.rfind('_');
    return us == std::string::npos ? -1 : std::atoi(ident.c_str() + us + 1);
}

void expect_ok(SimProcess& sim, const std::string& control_line) {
    EXPECT_EQ(sim.control(control_line).rfind("OK", 0), 0u) << control_line;
}
