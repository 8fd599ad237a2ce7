#pragma once
// Small helpers for tests that open a simulated module through the public
// interface.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ZEVAHVLink.h"
#include "sim_process.h"

// Closes the system when the test ends, whatever happened.
class OpenSystem {
public:
    OpenSystem() = default;
    OpenSystem(int type, int link, const std::string &arg) { open(type, link, arg); }
    ~OpenSystem() { close(); }
    OpenSystem(const OpenSystem &) = delete;
    OpenSystem &operator=(const OpenSystem &) = delete;

    int open(int type, int link, const std::string &arg) {
        close();
        std::string a = arg;
        result_ = ZEVAHV_InitSystem(type, link, a.data(), "", "", &handle_);
        return result_;
    }
    int close() {
        int r = 0;
        if (handle_ >= 0) r = ZEVAHV_DeinitSystem(handle_);
        handle_ = -1;
        return r;
    }
    int handle() const { return handle_; }
    int result() const { return result_; }

private:
    int handle_ = -1;
    int result_ = -1;
};

// Number of command lines in the simulator's log that contain all the given
// pieces.
inline int commands_with(const SimProcess &sim, std::initializer_list<std::string> pieces) {
    int n = 0;
    for (const auto &line : sim.log_lines()) {
        if (line.rfind("> ", 0) != 0) continue;
        bool all = true;
        for (const auto &p : pieces) all = all && line.find(p) != std::string::npos;
        n += all;
    }
    return n;
}

// Polls a condition until it holds or the time is up.
inline bool eventually(const std::function<bool()> &cond, int timeout_ms = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return cond();
}

inline float get_float(int h, const char *param, unsigned short ch, int *rc = nullptr) {
    float v = -1;
    int r = ZEVAHV_GetChParam(h, 0, param, 1, &ch, &v);
    if (rc) *rc = r;
    return v;
}

inline unsigned get_uint(int h, const char *param, unsigned short ch, int *rc = nullptr) {
    unsigned v = 0xDEADBEEF;
    int r = ZEVAHV_GetChParam(h, 0, param, 1, &ch, &v);
    if (rc) *rc = r;
    return v;
}
