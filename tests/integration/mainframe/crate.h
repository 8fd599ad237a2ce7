#pragma once
// A simulated crate for the mainframe tests: zevahv-sim on a loopback
// address of its own (so that its event connections and datagrams come from
// an address no other test uses), and a system opened on it through the
// public interface.

#include <memory>
#include <string>
#include <vector>

#include "ZEVAHVLink.h"
#include "event_record.h"
#include "loopback.h"
#include "sim_process.h"

struct Crate {
    enum Kind { Current, Legacy };
    // Starts "zevahv-sim mainframe" (or --legacy) with the built-in crate
    // (or --crate <crate>), on a private address.
    explicit Crate(Kind kind = Current, std::vector<std::string> args = {});

    // "host:port" for a current crate, "host" for a legacy one.
    std::string address() const;
    // Opens a system (type 2 or 0 by kind unless given); 0 or the code.
    int open(int* handle, const char* user = "admin", const char* password = "admin",
             int type = -1) const;
    std::string control(const std::string& line) { return sim->control(line); }
    // How many requests of the command the crate served ("count NAME").
    long count(const std::string& command);

    Kind kind;
    std::string host;
    std::unique_ptr<SimProcess> sim;
};

// Opens on construction, closes on destruction; fails the test if the open
// fails.
struct OpenSystem {
    explicit OpenSystem(const Crate& crate, int type = -1);
    ~OpenSystem();
    OpenSystem(const OpenSystem&) = delete;
    OpenSystem& operator=(const OpenSystem&) = delete;
    int h = -1;
};

// The crate map, freed when it goes.
struct CrateMap {
    unsigned short slots = 0;
    unsigned short* channels = nullptr;
    char* models = nullptr;
    char* descriptions = nullptr;
    unsigned short* serials = nullptr;
    unsigned char* fw_min = nullptr;
    unsigned char* fw_max = nullptr;
    int read(int handle);
    std::vector<std::string> model_list() const;
    std::vector<std::string> description_list() const;
    ~CrateMap() { clear(); }
    void clear();
};

// One value of a channel parameter as float / unsigned; the call's code in *r.
float ch_float(int h, int slot, int ch, const char* par, int* r = nullptr);
unsigned ch_uint(int h, int slot, int ch, const char* par, int* r = nullptr);
int set_ch_float(int h, int slot, int ch, const char* par, float v);
int set_ch_uint(int h, int slot, int ch, const char* par, unsigned v);

// The client side of a current crate's event stream: a listening port on
// 127.0.0.1 and the connection the crate makes to it.
class EventStream {
public:
    EventStream();
    ~EventStream();
    unsigned short port() const;
    short port_arg() const { return static_cast<short>(port()); }
    // Waits for the crate's connection (after the first subscription).
    bool accept(int timeout_ms = 5000);
    int fd() const { return fd_; }
    // One ZEVAHV_GetEventData: its code, the records and the status.
    int read(std::vector<IDValue_t>* records, ZEVAHV_SYSTEMSTATUS_t* status = nullptr);
    // Reads frames until one holds a record that pred accepts (true), a
    // read fails (its code in *code) or timeout_ms pass.
    template <typename P>
    bool until(P pred, int timeout_ms = 10000, int* code = nullptr);

private:
    struct Listener;
    std::unique_ptr<Listener> listener_;
    int fd_ = -1;
};

// Subscribes names at one level (slot < 0: system, ch < 0: board); the
// call's code, the result bytes in *results.
int subscribe(int h, short port, int slot, int ch, const std::string& names,
              std::vector<unsigned char>* results = nullptr, bool on = true);

// A datagram socket bound on 127.0.0.1 at a port the kernel picks (the
// legacy crates' event port), connected to host:2527 unless host is empty.
int udp_socket(unsigned short* port, const std::string& host = "");

// Waits until pred() holds, polling every 20 ms; false after timeout_ms.
template <typename P>
bool eventually(P pred, int timeout_ms = 10000);

#include <chrono>
#include <thread>
template <typename P>
bool eventually(P pred, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return pred();
}

template <typename P>
bool EventStream::until(P pred, int timeout_ms, int* code) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        std::vector<IDValue_t> records;
        const int r = read(&records);
        if (code) *code = r;
        if (r != 0) return false;
        bool hit = false;  // every record of the frame is shown to pred
        for (const IDValue_t& e : records) hit = pred(e) || hit;
        if (hit) return true;
    }
    return false;
}
