#include "devices/registry.h"

#include "devices/amplifier.h"
#include "devices/kqps.h"
#include "devices/lumenhv/lumenhv.h"
#include "devices/q3815.h"
#include "devices/rd40xxe.h"
#include "devices/w7300.h"
#include "devices/zbk.h"

namespace sim {

namespace {

template <std::unique_ptr<Device> (*Make)()>
std::unique_ptr<Device> fixed(const DeviceSetup&, std::string&) {
    return Make();
}

std::unique_ptr<Device> build_q3815(const DeviceSetup& s, std::string&) { return make_q3815(s.channels); }
std::unique_ptr<Device> build_w7300(const DeviceSetup& s, std::string&) {
    return make_w7300(s.channels, s.host);
}
std::unique_ptr<Device> build_zbk(const DeviceSetup& s, std::string&) { return make_zbk(s.channels); }
std::unique_ptr<Device> build_lumenhv(const DeviceSetup& s, std::string& error) {
    if (s.description.empty()) return make_lumenhv(lumenhv::builtin_description());
    auto d = lumenhv::read_description_file(s.description, error);
    return d ? make_lumenhv(*d) : nullptr;
}
std::unique_ptr<Device> build_rd40xxe(const DeviceSetup& s, std::string&) {
    return make_rd40xxe(s.channels, s.imon_range);
}

} // namespace

const std::vector<DeviceKind>& device_kinds() {
    static const std::vector<DeviceKind> kinds = {
        {"q3815", "Q3815", "NIM high-voltage module, 1 to 8 channels (default 4), TCP port 1470",
         addressed_dialect, true, true, 1, 4, 8, false, false, q3815_notes, build_q3815},
        {"p731x", "P731X", "16-channel spectroscopy amplifier, TCP port 568", addressed_dialect,
         true, true, kAmplifierChannels, kAmplifierChannels, kAmplifierChannels, false, false,
         nullptr, fixed<make_p731x>},
        {"q2904", "Q2904", "16-channel amplifier and CFD module, TCP port 23", addressed_dialect,
         true, true, kAmplifierChannels, kAmplifierChannels, kAmplifierChannels, false, false,
         nullptr, fixed<make_q2904>},
        {"q2906", "Q2906", "16-channel shaping amplifier and CFD module, TCP port 23",
         addressed_dialect, true, true, kAmplifierChannels, kAmplifierChannels,
         kAmplifierChannels, false, false, nullptr, fixed<make_q2906>},
        {"rd40xxe", "RD4020E", "desktop high-voltage module, 1 to 4 channels (default 2), TCP port 23",
         unaddressed_dialect, true, false, 1, 2, 4, false, true, rd40xxe_notes, build_rd40xxe},
        {"w7300", "W7300", "crate power supply, 1 to 12 outputs (default 8), TCP port 8100",
         unaddressed_dialect, true, false, 1, 8, 12, false, false, w7300_notes, build_w7300},
        {"lumenhv", "", "self-describing high-voltage module (its description), TCP port 1470",
         lumenhv_dialect, true, true, 0, 0, 0, true, false, lumenhv_notes, build_lumenhv},
        {"kqps", "KQPS300-30", "programmable power supply, 300 V / 30 A, TCP port 10001 only",
         kqps_dialect, false, false, 1, 1, 1, false, false, kqps_notes, fixed<make_kqps>},
        {"zbk", "ZBK", "supply module, 1 to 8 channels of 5 V, 48 V and fan (default 2), TCP port 23",
         unaddressed_dialect, true, false, 1, 2, 8, false, false, zbk_notes, build_zbk},
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
