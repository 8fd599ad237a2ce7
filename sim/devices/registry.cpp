#include "devices/registry.h"

#include "devices/amplifier.h"
#include "devices/q3815.h"

namespace sim {

const std::vector<DeviceKind>& device_kinds() {
    static const std::vector<DeviceKind> kinds = {
        {"q3815", "Q3815", "NIM high-voltage module, 1 to 8 channels (default 4), TCP port 1470",
         true, 4, q3815_table, make_q3815},
        {"p731x", "P731X", "16-channel spectroscopy amplifier, TCP port 568", false,
         kAmplifierChannels, p731x_table, [](int) { return make_p731x(); }},
        {"q2904", "Q2904", "16-channel amplifier and CFD module, TCP port 23", false,
         kAmplifierChannels, q2904_table, [](int) { return make_q2904(); }},
        {"q2906", "Q2906", "16-channel shaping amplifier and CFD module, TCP port 23", false,
         kAmplifierChannels, q2906_table, [](int) { return make_q2906(); }},
    };
    return kinds;
}

const DeviceKind* find_device_kind(const std::string& name) {
    for (const auto& k : device_kinds())
        if (k.name == name) return &k;
    return nullptr;
}

} // namespace sim
