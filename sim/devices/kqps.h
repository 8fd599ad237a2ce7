#pragma once
// The KQPS programmable power supply: one output, its own line language
// (no channel piece, no address), TCP only.

#include <memory>
#include <string>

#include "model/device.h"

namespace sim {

std::unique_ptr<Device> make_kqps();
std::string kqps_notes(); // for --help

} // namespace sim
