#pragma once
// Runs one addressed command on the module it names and builds its reply.

#include <string>

#include "model/device.h"
#include "wire/command.h"

namespace sim {

// The reply line, "\r\n" included.
std::string execute(Device& dev, const Command& cmd);

} // namespace sim
