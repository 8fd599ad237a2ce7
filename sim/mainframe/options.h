#pragma once
// The command line of "zevahv-sim mainframe" (and of the model words
// kr2440, kr2550, kr2210, kr2220, which choose the model).

#include <optional>
#include <string>
#include <vector>

#include "control/control_channel.h"
#include "mainframe/crate_spec.h"
#include "mainframe/mainframe.h"

namespace sim::mf {

struct RunOptions {
    bool help = false;
    bool print_crate = false;
    std::string crate = "default"; // a file, or "default" / "full"
    std::optional<std::string> model;
    bool legacy = false;
    std::optional<std::string> tcp_host;
    std::optional<int> tcp_port;
    std::optional<std::string> fault;
    ControlAddress control;
    MainframeOptions mainframe;
};

// Fills `out` from the words after the device word; a message on a bad
// command line.
std::optional<std::string> parse_run_options(const std::string& word, const std::vector<std::string>& args,
                                             RunOptions& out);

// The crate the options describe (file or built-in, model and generation
// applied); nothing with a message when it cannot be loaded.
std::optional<CrateSpec> crate_of(const RunOptions& o, std::string& error);

std::string mainframe_help(const std::string& word);

// Where the crate listens unless --tcp says otherwise: its own loopback
// address, port 0 for the current generation (the kernel chooses), the
// generation's fixed port 2527 for the legacy one (a client cannot name
// another port for a legacy crate).
constexpr const char* kDefaultCurrentHost = "127.0.0.2";
constexpr const char* kDefaultLegacyHost = "127.0.0.5";
constexpr int kMainframePort = 2527;

} // namespace sim::mf
