#pragma once
// What the amplifier tests share: the three families, opening a system on a
// simulator (and closing it again), and reading the commands the simulator
// received from its log.

#include <memory>
#include <string>
#include <vector>

#include "ZEVAHVLink.h"
#include "sim_process.h"

struct AmpFamily {
    const char* device;  // zevahv-sim device
    int system_type;
    const char* model;   // the simulator's default model text
    const char* lock_prefix;
    const char* num_par;       // a numeric read-write channel parameter
    const char* num_mnemonic;  // and its word on the wire
};

extern const AmpFamily kQ2906;
extern const AmpFamily kQ2904;
extern const AmpFamily kP731X;

// A system opened with ZEVAHV_InitSystem and closed when the object goes.
class OpenSystem {
public:
    OpenSystem(int system_type, int link_type, const std::string& arg);
    ~OpenSystem();
    OpenSystem(const OpenSystem&) = delete;
    OpenSystem& operator=(const OpenSystem&) = delete;
    int result() const { return result_; }
    int handle() const { return handle_; }
    bool ok() const { return result_ == 0; }
    void close();

private:
    int result_ = -1;
    int handle_ = -1;
};

// Opens the family on the simulator over TCP (board address `board`).
std::unique_ptr<OpenSystem> open_tcp(const AmpFamily& f, const SimProcess& sim, int board = 0);
std::unique_ptr<OpenSystem> open_serial(const AmpFamily& f, const SimProcess& sim, int board = 0);

// The command lines (without "> ") that the simulator logged, from line
// `from` of its log on.
std::vector<std::string> commands(const SimProcess& sim, size_t from = 0);
// Number of log lines now: a mark to pass to commands() later.
size_t log_mark(const SimProcess& sim);

// The value of a channel (ch >= 0) or board (ch = -1) parameter as the
// simulator holds it, read through its control channel.
std::string sim_get(SimProcess& sim, const std::string& mnemonic, int ch, int board = 0);
void sim_set(SimProcess& sim, const std::string& mnemonic, int ch, const std::string& value,
             int board = 0);

// Channel parameter access through the public interface, one channel.
int set_ch_float(int h, const char* par, unsigned short ch, float v);
int set_ch_uint(int h, const char* par, unsigned short ch, unsigned v);
int get_ch_float(int h, const char* par, unsigned short ch, float* v);
int get_ch_uint(int h, const char* par, unsigned short ch, unsigned* v);

// The "Enum" property as a list of texts ("Maxval" + 1 of them).
std::vector<std::string> enum_texts(int h, const char* par, bool board = false);
// The names of a parameter name list (10-byte fields up to an empty one);
// frees the list.
std::vector<std::string> name_list(char* list);
