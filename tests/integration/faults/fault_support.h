#pragma once
// What the fault tests share: the families they run against (each with its
// simulator, the values it is preset with and the parameters the checks
// read and write), a system opened on one over TCP or a pseudo-terminal,
// the checks themselves (one bad reply, a module that keeps failing, a
// fault while opening, a fault while polling), timed calls, and a count of
// the process's open descriptors to see that nothing is left behind.

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ZEVAHVLink.h"
#include "process_counts.h"
#include "sim_process.h"

enum class Transport { Tcp, Serial };
const char* transport_name(Transport t);

// One value a check reads or writes: a channel parameter and what it holds.
struct Probe {
    const char* param;
    unsigned short ch;
    bool number;  // a float (else a 4-byte unsigned)
    float value;
};

struct FaultCase {
    const char* name;
    const char* mode;  // the simulator's fault command argument
    int late_ms;       // > 0: the reply comes, but this late
};

struct FaultFamily {
    const char* name;
    const char* device;          // zevahv-sim device word
    int type;                    // ZEVAHV_SYS_*
    const char* lock_format;     // "ZEVA_Q3815_HVL_%03d"
    bool misdirects;             // its replies can name another board or word
    std::vector<std::string> preset;  // control lines that give a and b their values
    Probe a, b;                  // two reads with different values
    Probe write;                 // a write (not a's parameter and channel), read back
    const char* poll_board;      // a board parameter the polling checks subscribe, or null
    const char* poll_channel;    // a channel parameter they subscribe on every channel
};

// Test names and messages show a family by its name.
void PrintTo(const FaultFamily& f, std::ostream* os);
void PrintTo(const FaultCase& c, std::ostream* os);

extern const FaultFamily kQ3815;
// The newer families, checked over TCP (the link under them is the same).
extern const std::vector<FaultFamily> kNewFamilies;

// Every mode once; a family that cannot misdirect leaves out OtherBoard.
extern const std::vector<FaultCase> kFaultCases;
std::vector<FaultCase> fault_cases_of(const FaultFamily& f);

std::unique_ptr<SimProcess> start_family(const FaultFamily& f, Transport t);
// Opens a system of the family on the simulator: 0 and the handle, or the
// result.  extra: appended to the argument (an address text of its own).
int open_family(const FaultFamily& f, const SimProcess& sim, Transport t, int* handle,
                const std::string& extra = "");

// Reads a probe (0 and the value matches) or writes one: the call's result.
int read_probe(int h, const Probe& p, bool* matches = nullptr);
int write_probe(int h, const Probe& p);

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

// Sends a control line and expects "OK".
void control_ok(SimProcess& sim, const std::string& cmd);

// The checks.  Each leaves the module without a fault.
// One bad reply fails one read and one write, within their wait, and the
// next exchanges are answered with the right values.
void check_one_bad_reply(const FaultFamily& f, SimProcess& sim, int h, const FaultCase& c);
// A module that keeps failing never hangs a call; it answers once it
// behaves again.
void check_persistent_fault(const FaultFamily& f, SimProcess& sim, int h, const FaultCase& c);
// A fault while the system is opened: 4100 within the bound, no descriptor
// left; once the module behaves the same address opens.
void check_open_fault(const FaultFamily& f, SimProcess& sim, Transport t, const FaultCase& c);
// Frames miss what failed and come back whole; a close while the module is
// silent stays prompt and ends the event connection.
void check_polling_fault(const FaultFamily& f, SimProcess& sim, Transport t, const char* mode);
