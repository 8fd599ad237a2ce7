#pragma once
// The Q3815 high-voltage module: a few channels whose output ramps towards
// its set point, a resistive load that draws current, current limiting and
// trips, an interlock input and a board alarm word.

#include <memory>
#include <string>

#include "devices/hv_channel.h"
#include "model/device.h"

namespace sim {

std::unique_ptr<Device> make_q3815(int channels);
const ParamTable& q3815_table();
std::string q3815_notes(); // for --help

// Bits of the channel status word (STAT): those of every HV module.
namespace q3815_stat = hv_stat;

} // namespace sim
