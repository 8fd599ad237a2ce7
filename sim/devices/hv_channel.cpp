#include "devices/hv_channel.h"

#include <algorithm>

namespace sim {

namespace {

constexpr double kSettled = 0.05; // half the last VMON digit, V

double wanted(const HvSettings& s) { return std::min(s.vset, s.maxv); }

} // namespace

double HvChannel::target(const HvSettings& s) const {
    if (!on) return 0;
    return std::min(wanted(s), s.iset * load);
}

bool HvChannel::at_current_limit(const HvSettings& s) const {
    double limit_voltage = s.iset * load;
    return on && wanted(s) > limit_voltage && vmon >= limit_voltage - kSettled;
}

void HvChannel::switch_on(bool interlock) {
    on = !interlock;
    tripped = false;
    killed = false;
    limit_time = 0;
}

void HvChannel::switch_off() {
    on = false;
    killed = false;
}

void HvChannel::clear_trip() {
    tripped = false;
    killed = false;
}

void HvChannel::drop(const HvSettings& s) {
    on = false;
    killed = s.kill;
    if (killed) vmon = 0;
}

bool HvChannel::step(const HvSettings& s, bool interlock, double h) {
    if (on && interlock) drop(s);
    double t = target(s);
    if (vmon < t) vmon = std::min(t, vmon + s.rup * h);
    else if (vmon > t) vmon = std::max(t, vmon - s.rdw * h);
    if (!at_current_limit(s)) {
        limit_time = 0;
        return false;
    }
    limit_time += h;
    if (limit_time < s.trip) return false;
    drop(s);
    tripped = true;
    limit_time = 0;
    return true;
}

unsigned HvChannel::status(const HvSettings& s, bool interlock) const {
    using namespace hv_stat;
    unsigned w = 0;
    if (on) {
        w |= On;
        if (vmon < target(s) - kSettled) w |= RampUp;
        if (at_current_limit(s)) w |= OverCurrent | UnderVoltage;
        if (s.vset > s.maxv) w |= MaxV;
    } else if (vmon > kSettled) {
        // Bit 2 is only ever set while the channel is off: a client takes a
        // set bit 2 to mean "not on".
        w |= RampDown;
    }
    if (tripped) w |= Tripped;
    if (killed) w |= Kill;
    if (interlock) w |= Interlock;
    return w;
}

} // namespace sim
