#pragma once
// The help of zevahv-sim as a whole: the usage lines, what every simulator
// shares (the READY line, the control channel) and the device list with
// each kind's own page.

#include <string>

namespace sim {

std::string top_usage(); // the usage lines alone
std::string top_help();

} // namespace sim
