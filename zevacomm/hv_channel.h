// One high-voltage output: it ramps towards its set point at the ramp
// rates, draws current through a resistive load, holds at the current
// limit, and trips when it has been held there for the trip time.  Values
// are in volts, amperes and seconds; the register models convert.
#pragma once

namespace zevacomm {

// Bits of the channel status word that both register models show.
namespace hv_status {
constexpr unsigned kOn = 1u << 0;            // output enabled
constexpr unsigned kRampUp = 1u << 1;        // on and rising towards its set point
constexpr unsigned kRampDown = 1u << 2;      // switched off, output still falling
constexpr unsigned kOverCurrent = 1u << 3;   // on and held at the current limit
constexpr unsigned kUnderVoltage = 1u << 5;  // on, held below its set point
constexpr unsigned kMaxV = 1u << 6;          // set point above the voltage limit
constexpr unsigned kTripped = 1u << 7;       // switched off by a trip (until on or a clear)
constexpr unsigned kKill = 1u << 11;         // the trip killed the output
}  // namespace hv_status

struct HvSettings {
    double vset = 0;        // V
    double ilimit = 0;      // A
    double vmax = 1e12;     // V, the software voltage limit
    double rup = 50;        // V/s
    double rdown = 50;      // V/s
    double trip_s = -1;     // s at the limit before a trip; negative: never trips
    bool kill = false;      // a trip kills the output instead of ramping it down
};

class HvChannel {
public:
    double load_ohm = 100e6;

    // Switching on restarts a tripped channel.
    void switch_on();
    void switch_off();
    // Off at once, output to zero (a board's kill command).
    void kill();
    void clear_trip();

    // Moves the output on by h seconds.
    void step(const HvSettings &s, double h);

    bool on() const { return on_; }
    bool tripped() const { return tripped_; }
    double vmon() const { return vmon_; }
    double imon() const { return vmon_ / load_ohm; }
    unsigned status(const HvSettings &s) const;

private:
    double target(const HvSettings &s) const;
    bool at_limit(const HvSettings &s) const;

    double vmon_ = 0;
    bool on_ = false;
    bool tripped_ = false;
    bool killed_ = false;
    double limit_time_ = 0;
};

// Elapsed time for the register models: each access moves the outputs on by
// the time since the last one, in steps of at most 20 ms.
class ModelClock {
public:
    ModelClock();
    // Calls step(h) for each step since the last call.  Nothing happens
    // until at least a millisecond has passed, so that a burst of reads
    // costs one clock reading each.
    template <typename F>
    void advance(F &&step) {
        double dt = elapsed();
        if (dt <= 0) return;
        while (dt > 0) {
            const double h = dt < kStep ? dt : kStep;
            step(h);
            dt -= h;
        }
    }

private:
    static constexpr double kStep = 0.02;
    double elapsed();
    long long last_ns_;
};

}  // namespace zevacomm
