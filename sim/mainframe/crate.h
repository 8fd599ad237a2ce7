#pragma once
// The simulated crate: boards in slots, each with its board parameters and
// channels, and the high-voltage behaviour of a channel. A channel's output
// ramps towards its set point at RUp/RDwn while Pw is on (and back to 0 when
// it is off), is held at ISet x load when the load draws more than ISet,
// trips after Trip seconds at that limit, and reports all of it in Status.
// Values are kept as the raw 32-bit numbers clients read and write; the
// descriptors say what they mean.
//
// Not thread-safe: the owner (Mainframe) holds its lock around every call.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mainframe/crate_spec.h"

namespace sim::mf {

using Clock = std::chrono::steady_clock;

// Status bits of a channel ("Status").
enum ChannelStatusBit : uint32_t {
    kChOn = 1u << 0,
    kChRampUp = 1u << 1,
    kChRampDown = 1u << 2,
    kChOverCurrent = 1u << 3,
    kChMaxV = 1u << 7,      // VSet above SVMax or the board's HVMax: held there
    kChTripped = 1u << 9,   // switched off after Trip seconds at the current limit
    kChKilled = 1u << 12,   // switched off by the Kill command
};

// Status bits of a board ("BdStatus").
enum BoardStatusBit : uint32_t {
    kBdOverCurrent = 1u << 0,
    kBdTripped = 1u << 1,
    kBdOverTemp = 1u << 2,
    kBdKilled = 1u << 3,
};

// State bytes of the event frame header.
constexpr uint8_t kStateAbsent = 0;
constexpr uint8_t kStateOk = 1;
constexpr uint8_t kStateWarning = 2;
constexpr uint8_t kStateAlarm = 11;

constexpr size_t kMaxChannelName = 11;

// The values of one parameter list (a board's or a channel's) and where each
// behaviour sits in it, so that the simulation finds VSet or Pw at once.
struct ParamValues {
    const ParamList* list = nullptr;
    std::vector<uint32_t> raw; // one per parameter
    std::array<int16_t, kRoleCount> roles{};

    void bind(const ParamList& params); // start values from the descriptors
    const ParamList& params() const { return *list; }
    int find(std::string_view name) const;
    double value(Role r, double fallback) const;
    uint32_t raw_of(Role r, uint32_t fallback) const;
    void set_value(Role r, double v); // clamped to what the 32 bits hold
    void set_raw(Role r, uint32_t v);
};

struct Channel : ParamValues {
    std::string name;
    double vmon = 0;      // the output, full precision
    double leak_ua = 0;   // extra current beside the load's
    double load_mohm = 100;
    double oc_seconds = 0; // time spent at the current limit
    bool tripped = false, killed = false;
    bool over_current = false, ramp_up = false, ramp_down = false, at_vmax = false;
};

struct Board : ParamValues {
    uint64_t uid = 0; // stays with the board when it moves
    const BoardKind* kind = nullptr;
    unsigned serial = 0, fw_major = 0, fw_minor = 0;
    std::vector<Channel> channels;

    int find_param(std::string_view name) const { return find(name); }
    int find_channel_param(int ch, std::string_view name) const { return channels[ch].find(name); }
    uint32_t status() const; // BdStatus bits
    uint8_t state_byte() const;
};

class Crate {
public:
    explicit Crate(CrateSpec spec);

    const CrateSpec& spec() const { return spec_; }
    int slots() const { return static_cast<int>(slots_.size()); }
    Board* board(int slot);
    const Board* board(int slot) const;
    // Bumped whenever a board is inserted, pulled or moved.
    uint64_t layout_generation() const { return generation_; }

    // Brings ramps, currents, trips and status words up to `now`.
    void advance(Clock::time_point now);

    // The raw value read by a client (monitors and status words current).
    uint32_t read_channel(const Board& b, int ch, int idx) const { return b.channels[ch].raw[idx]; }
    uint32_t read_board(const Board& b, int idx) const { return b.raw[idx]; }
    // Stores a checked raw value and lets the hardware react (Pw on clears
    // a trip or kill).
    void write_channel(Board& b, int ch, int idx, uint32_t raw);
    void write_board(Board& b, int idx, uint32_t raw);

    // Hardware-side changes (control channel): a value in the unit, for any
    // parameter the hardware itself could change; an error text otherwise.
    std::optional<std::string> force_channel(Board& b, int ch, int idx, double value);
    std::optional<std::string> force_board(Board& b, int idx, double value);
    void trip(Board& b, int ch);

    void kill_all();
    void clear_alarms();

    // Layout changes; an error text when the slots do not allow it.
    std::optional<std::string> pull(int slot);
    std::optional<std::string> insert(int slot, const std::string& kind, unsigned serial);
    std::optional<std::string> move(int from, int to);

    uint8_t system_state_byte() const;
    int channels_on() const;

    // Readout noise: while on, every VMon and IMon reads one raw step off
    // its true value. Toggled at a steady pace, it makes every monitor of
    // the crate change (load tests of the event stream).
    void set_ripple(bool on);
    bool ripple() const { return ripple_; }

private:
    std::unique_ptr<Board> make_board(const BoardKind& kind, unsigned serial, unsigned fw_major,
                                      unsigned fw_minor);
    void step(Board& b, Channel& c, double dt);
    void refresh(Channel& c) const;
    static void refresh_board(Board& b);

    CrateSpec spec_;
    std::vector<std::unique_ptr<Board>> slots_;
    uint64_t generation_ = 1;
    uint64_t next_uid_ = 1;
    Clock::time_point last_;
    bool ripple_ = false;
};

} // namespace sim::mf
