#pragma once
// The Q3815 high-voltage module: a few channels whose output ramps towards
// its set point, a resistive load that draws current, current limiting and
// trips, an interlock input and a board alarm word.

#include <memory>
#include <string>

#include "model/device.h"

namespace sim {

std::unique_ptr<Device> make_q3815(int channels);
const ParamTable& q3815_table();
std::string q3815_notes(); // for --help

// Bits of the channel status word (STAT).
namespace q3815_stat {
constexpr unsigned On = 1u << 0;        // output enabled
constexpr unsigned RampUp = 1u << 1;    // on and rising towards its set point
constexpr unsigned RampDown = 1u << 2;  // switched off, output still falling
constexpr unsigned OverCurrent = 1u << 3; // on and held at the current limit
constexpr unsigned UnderVoltage = 1u << 5; // on, settled below its set point
constexpr unsigned MaxV = 1u << 6;      // set point above the MaxV limit
constexpr unsigned Tripped = 1u << 7;   // switched off by a trip (until ON or BDCLR)
constexpr unsigned Kill = 1u << 11;     // the trip or interlock killed the output
constexpr unsigned Interlock = 1u << 12; // the interlock holds the channel off
} // namespace q3815_stat

} // namespace sim
