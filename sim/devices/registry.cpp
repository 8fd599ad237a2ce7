#include "devices/registry.h"

#include "devices/amplifier.h"
#include "devices/q3815.h"

namespace sim {

namespace {

template <std::unique_ptr<Device> (*Make)()>
std::unique_ptr<Device> fixed(const DeviceSetup&, std::string&) {
    return Make();
}

std::unique_ptr<Device> q3815(const DeviceSetup& s, std::string&) { return make_q3815(s.channels); }

} // namespace

const std::vector<DeviceKind>& device_kinds() {
    static const std::vector<DeviceKind> kinds = {
        {"q3815", "Q3815", "NIM high-voltage module, 1 to 8 channels (default 4), TCP port 1470",
         addressed_dialect, true, true, 1, 4, 8, false, false, q3815_notes, q3815},
        {"p731x", "P731X", "16-channel spectroscopy amplifier, TCP port 568", addressed_dialect,
         true, true, kAmplifierChannels, kAmplifierChannels, kAmplifierChannels, false, false,
         nullptr, fixed<make_p731x>},
        {"q2904", "Q2904", "16-channel amplifier and CFD module, TCP port 23", addressed_dialect,
         true, true, kAmplifierChannels, kAmplifierChannels, kAmplifierChannels, false, false,
         nullptr, fixed<make_q2904>},
        {"q2906", "Q2906", "16-channel shaping amplifier and CFD module, TCP port 23",
         addressed_dialect, true, true, kAmplifierChannels, kAmplifierChannels,
         kAmplifierChannels, false, false, nullptr, fixed<make_q2906>},
    };
    return kinds;
}

const DeviceKind* find_device_kind(const std::string& name) {
    for (const auto& k : device_kinds())
        if (k.name == name) return &k;
    return nullptr;
}

std::unique_ptr<Device> make_device(const DeviceKind& kind, int channels) {
    DeviceSetup setup;
    setup.channels = channels > 0 ? channels : kind.default_channels;
    std::string error;
    return kind.make(setup, error);
}

} // namespace sim
