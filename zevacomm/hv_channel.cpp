#include "hv_channel.h"

#include <algorithm>
#include <chrono>

namespace zevacomm {

namespace {
constexpr double kSettled = 0.05;  // V: closer than this is "at" a voltage

long long now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

void HvChannel::switch_on() {
    on_ = true;
    tripped_ = false;
    killed_ = false;
    limit_time_ = 0;
}

void HvChannel::switch_off() {
    on_ = false;
    killed_ = false;
}

void HvChannel::kill() {
    on_ = false;
    killed_ = true;
    vmon_ = 0;
}

void HvChannel::clear_trip() {
    tripped_ = false;
    killed_ = false;
}

double HvChannel::target(const HvSettings &s) const {
    if (!on_) return 0;
    const double wanted = std::min(s.vset, s.vmax);
    return std::max(0.0, std::min(wanted, s.ilimit * load_ohm));
}

bool HvChannel::at_limit(const HvSettings &s) const {
    const double limit_v = s.ilimit * load_ohm;
    return on_ && std::min(s.vset, s.vmax) > limit_v && vmon_ >= limit_v - kSettled;
}

void HvChannel::step(const HvSettings &s, double h) {
    const double t = target(s);
    if (vmon_ < t) vmon_ = std::min(t, vmon_ + std::max(s.rup, 0.0) * h);
    else if (vmon_ > t) vmon_ = std::max(t, vmon_ - std::max(s.rdown, 0.0) * h);
    if (s.trip_s >= 0 && at_limit(s)) {
        limit_time_ += h;
        if (limit_time_ >= s.trip_s) {
            on_ = false;
            tripped_ = true;
            limit_time_ = 0;
            if (s.kill) {
                killed_ = true;
                vmon_ = 0;
            }
        }
    } else {
        limit_time_ = 0;
    }
}

unsigned HvChannel::status(const HvSettings &s) const {
    using namespace hv_status;
    unsigned w = 0;
    if (on_) {
        w |= kOn;
        if (vmon_ < target(s) - kSettled) w |= kRampUp;
        if (at_limit(s)) w |= kOverCurrent | kUnderVoltage;
        if (s.vset > s.vmax) w |= kMaxV;
    } else if (vmon_ > kSettled) {
        w |= kRampDown;
    }
    if (tripped_) w |= kTripped;
    if (killed_) w |= kKill;
    return w;
}

ModelClock::ModelClock() : last_ns_(now_ns()) {}

double ModelClock::elapsed() {
    const long long now = now_ns();
    const long long d = now - last_ns_;
    if (d < 1000000) return 0;  // less than a millisecond: nothing moves yet
    last_ns_ = now;
    // After an hour of nobody looking nothing moves any more anyway.
    return std::min(static_cast<double>(d) * 1e-9, 3600.0);
}

}  // namespace zevacomm
