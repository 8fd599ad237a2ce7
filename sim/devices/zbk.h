#pragma once
// The ZBK supply module: channels of three supplies each (5 V, 48 V, fan),
// monitors in the steps of their resolution words, on the unaddressed line.

#include <memory>
#include <string>

#include "model/device.h"

namespace sim {

std::unique_ptr<Device> make_zbk(int channels);
std::string zbk_notes(); // for --help

} // namespace sim
