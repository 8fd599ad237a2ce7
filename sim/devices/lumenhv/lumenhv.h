#pragma once
// The LUMENHV module: a high-voltage module that describes its own words
// (PARLIST, PARCHLIST, INFO), built from a description.

#include <memory>
#include <string>

#include "devices/lumenhv/description.h"
#include "model/device.h"

namespace sim {

std::unique_ptr<Device> make_lumenhv(const lumenhv::Description& d);
std::string lumenhv_notes(); // for --help

} // namespace sim
