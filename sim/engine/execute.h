#pragma once
// Runs one command on the module it reached, whatever the dialect that
// carried it.

#include <string>

#include "model/device.h"
#include "wire/dialect.h"

namespace sim {

Outcome execute(Device& dev, const Command& cmd);

// The reply line to one parsed line ("\r\n" included): its refusal, or
// what executing it on `dev` came to, in the dialect's words.
std::string respond(Device& dev, const Dialect& dialect, const ParsedLine& line);

} // namespace sim
