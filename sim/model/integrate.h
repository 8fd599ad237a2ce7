#pragma once
// Time integration of a device's state: calls step(h) for the time from
// `last` to `now` in steps of at most kStepSeconds (a long idle span is cut
// to an hour, after which nothing moves any more), and moves `last` on.

#include <chrono>

namespace sim {

constexpr double kStepSeconds = 0.02;

template <class Step>
void integrate(std::chrono::steady_clock::time_point& last,
               std::chrono::steady_clock::time_point now, Step step) {
    double dt = std::chrono::duration<double>(now - last).count();
    last = now;
    if (dt <= 0) return;
    if (dt > 3600.0) dt = 3600.0;
    while (dt > 0) {
        double h = dt < kStepSeconds ? dt : kStepSeconds;
        step(h);
        dt -= h;
    }
}

} // namespace sim
