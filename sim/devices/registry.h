#pragma once
// The devices zevahv-sim can be: their names, line dialects, links and how
// to build one board of each.

#include <memory>
#include <string>
#include <vector>

#include "model/device.h"
#include "wire/dialect.h"

namespace sim {

// What the command line says about the boards to build.
struct DeviceSetup {
    int channels = 0;
    std::string description;        // lumenhv: a description file; empty: the built-in one
    bool imon_range = true;         // rd40xxe: the module has a current-monitor range
    std::string host = "127.0.0.1"; // the address it serves on (w7300 reports it)
};

struct DeviceKind {
    std::string name;          // command-line word
    std::string default_model; // identification answer unless --model
    std::string description;   // one line for the device list
    const Dialect& (*dialect)();
    bool serial;               // has serial links: --pty serves it
    bool several_boards;       // --boards may name addresses; else one module, board 0
    int min_channels;          // --channels applies when min < max
    int default_channels;
    int max_channels;
    bool described;            // --describe FILE applies (lumenhv)
    bool optional_range;       // --no-range applies (rd40xxe)
    // The help page's text after the word table: status bits, behaviour.
    std::string (*notes)();
    // One board; nothing, with `error` filled, when the setup is unusable
    // (a description that does not load).
    std::unique_ptr<Device> (*make)(const DeviceSetup& setup, std::string& error);
};

const std::vector<DeviceKind>& device_kinds();
const DeviceKind* find_device_kind(const std::string& name);
// One board of the kind as the command line builds it by default (or with
// `channels`); null when it cannot be built.
std::unique_ptr<Device> make_device(const DeviceKind& kind, int channels = 0);

} // namespace sim
