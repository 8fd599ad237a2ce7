#pragma once
// One high-voltage output into a resistive load, as the HV modules (Q3815,
// RD40XXE, LUMENHV) have it: the output ramps towards its set point at the
// ramp rates, the load draws current, a current limit holds the voltage
// down, and time spent at the limit trips the channel.


namespace sim {

// Bits of the channel status word (STAT) of the HV modules.
namespace hv_stat {
constexpr unsigned On = 1u << 0;           // output enabled
constexpr unsigned RampUp = 1u << 1;       // on and rising towards its set point
constexpr unsigned RampDown = 1u << 2;     // switched off, output still falling
constexpr unsigned OverCurrent = 1u << 3;  // on and held at the current limit
constexpr unsigned UnderVoltage = 1u << 5; // on, settled below its set point
constexpr unsigned MaxV = 1u << 6;         // set point above the MaxV limit
constexpr unsigned Tripped = 1u << 7;      // switched off by a trip (until ON or the clear)
constexpr unsigned Kill = 1u << 11;        // the trip or interlock killed the output
constexpr unsigned Interlock = 1u << 12;   // the interlock holds the channel off
} // namespace hv_stat

// What a channel is told, read from its rows at each step.
struct HvSettings {
    double vset = 0;   // V
    double maxv = 1e9; // V
    double iset = 0;   // uA
    double rup = 50;   // V/s
    double rdw = 50;   // V/s
    double trip = 0;   // s at the limit before a trip; 0 trips at once
    bool kill = false; // after a trip or interlock: drop the output at once
};

struct HvChannel {
    double vmon = 0;   // V
    double load = 100; // MOhm
    bool on = false;
    bool tripped = false;
    bool killed = false;
    double limit_time = 0; // s spent at the current limit

    double current() const { return vmon / load; } // V / MOhm = uA

    // Switching on restarts a tripped channel, unless the interlock holds it.
    void switch_on(bool interlock);
    void switch_off();
    void clear_trip();

    // One step of h seconds; true when the channel tripped in it.
    bool step(const HvSettings& s, bool interlock, double h);
    unsigned status(const HvSettings& s, bool interlock) const;

private:
    double target(const HvSettings& s) const;
    bool at_current_limit(const HvSettings& s) const;
    void drop(const HvSettings& s); // switched off by a trip or the interlock
};

} // namespace sim
