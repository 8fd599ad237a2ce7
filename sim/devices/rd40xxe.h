#pragma once
// The RD40XXE desktop high-voltage module: the Q3815's channels on the
// unaddressed line, one current monitor, and a current-monitor range that
// only some modules have.

#include <memory>
#include <string>

#include "model/device.h"

namespace sim {

std::unique_ptr<Device> make_rd40xxe(int channels, bool imon_range);
std::string rd40xxe_notes(); // for --help

} // namespace sim
