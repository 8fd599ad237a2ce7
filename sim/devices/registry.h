#pragma once
// The devices zevahv-sim can be: their names, default model texts and how
// to build one board of each.

#include <memory>
#include <string>
#include <vector>

#include "model/device.h"

namespace sim {

struct DeviceKind {
    std::string name;          // command-line word
    std::string default_model; // BDNAME answer
    std::string description;
    bool variable_channels;    // --channels applies
    int default_channels;
    const ParamTable& (*table)();
    std::unique_ptr<Device> (*make)(int channels);
};

const std::vector<DeviceKind>& device_kinds();
const DeviceKind* find_device_kind(const std::string& name);

} // namespace sim
