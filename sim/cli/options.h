#pragma once
// The command line of zevahv-sim.

#include <optional>
#include <string>
#include <vector>

#include "control/control_channel.h"
#include "engine/faults.h"

namespace sim {

struct Options {
    std::string device;
    bool help = false;
    bool pty = false;
    std::string tcp_host = "127.0.0.1";
    int tcp_port = 0;
    std::vector<int> boards{0};
    std::optional<std::string> model;
    std::optional<int> channels;
    unsigned serial = 1001;
    std::string fwrel = "1.0";
    bool local = false;
    std::string description; // lumenhv: --describe FILE
    bool no_range = false;   // rd40xxe: --no-range
    std::string log_path;
    Fault fault;
    ControlAddress control;
};

// Fills `out`; on a bad command line returns the message to print.
std::optional<std::string> parse_options(const std::vector<std::string>& args, Options& out);

// The module simulators' help: their options, wire forms, control commands
// and fault modes; with a device word, that device's page after it.
std::string help_text(const std::string& device);

} // namespace sim
