#pragma once
// What the fault tests share: a Q3815 simulator reached over TCP or over a
// pseudo-terminal, a system opened on it, timed calls, and a count of the
// process's open descriptors to see that nothing is left behind.

#include <chrono>
#include <memory>
#include <string>

#include "ZEVAHVLink.h"
#include "sim_process.h"

enum class Transport { Tcp, Serial };
const char* transport_name(Transport t);

// Opens a Q3815 system on the simulator: 0 and the handle, or the result.
int open_q3815(const SimProcess& sim, Transport t, int* handle, int board = 0);
std::unique_ptr<SimProcess> start_q3815(Transport t, std::vector<std::string> args = {});

// How long a call took.
class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

// A bound well above every wait of one exchange (1 s TCP, 600 ms serial, a
// 5 s limit for a reply that trickles without end), generous for a loaded
// machine: a call that takes longer hangs.
inline constexpr double kCallBoundS = 15.0;

// Number of open file descriptors of this process.
int open_fd_count();

int read_vset(int h, unsigned short ch, float* v);
int write_vset(int h, unsigned short ch, float v);

// Sends a control line and expects "OK".
void control_ok(SimProcess& sim, const std::string& cmd);
