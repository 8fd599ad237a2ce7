#pragma once
// The W7300 crate power supply: crate words (temperatures, fans, network
// settings, crate power, reset and alarm clear) on the board, low-voltage
// outputs on the channels, on the unaddressed line.

#include <memory>
#include <string>

#include "model/device.h"

namespace sim {

// `host`: the address the simulator serves on, which the crate reports as
// its own (IPADD).
std::unique_ptr<Device> make_w7300(int channels, const std::string& host);
std::string w7300_notes(); // for --help

} // namespace sim
