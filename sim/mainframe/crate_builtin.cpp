// The crates zevahv-sim serves without a crate file. They are written in
// the crate file format and loaded like any file, so "--print-crate" gives
// a user a working file to start from.
#include <nlohmann/json.hpp>

#include "mainframe/crate_spec.h"

namespace sim::mf {

namespace {

constexpr const char* kDefaultCrate = R"json({
  "model": "KR2440",
  "name": "HV crate 1",
  "slots": 6,
  "users": [
    {"name": "admin", "password": "admin"},
    {"name": "user", "password": "user"},
    {"name": "guest", "password": "guest", "write": false}
  ],
  "parameters": {
    "VSet":     {"type": "numeric", "write": true, "min": 0, "max": 3000, "decimals": 1, "scale": 10, "unit": "V"},
    "ISet":     {"type": "numeric", "write": true, "min": 0, "max": 3000, "decimals": 2, "scale": 100, "unit": "A", "exp": -6, "default": 100},
    "VMon":     {"type": "numeric", "min": 0, "max": 3000, "decimals": 1, "scale": 10, "unit": "V"},
    "IMon":     {"type": "numeric", "min": 0, "max": 3000, "decimals": 2, "scale": 100, "unit": "A", "exp": -6},
    "Pw":       {"type": "onoff", "write": true, "on": "On", "off": "Off"},
    "RUp":      {"type": "numeric", "write": true, "min": 1, "max": 500, "decimals": 0, "scale": 1, "unit": "V/s", "default": 50},
    "RDwn":     {"type": "numeric", "write": true, "min": 1, "max": 500, "decimals": 0, "scale": 1, "unit": "V/s", "default": 50},
    "Trip":     {"type": "numeric", "write": true, "min": 0, "max": 1000, "decimals": 1, "scale": 10, "unit": "s", "default": 10},
    "SVMax":    {"type": "numeric", "write": true, "min": 0, "max": 3000, "decimals": 0, "scale": 1, "unit": "V", "default": 3000},
    "PDwn":     {"type": "onoff", "write": true, "on": "Kill", "off": "Ramp"},
    "Status":   {"type": "chstatus"},
    "BdStatus": {"type": "chstatus"},
    "HVMax":    {"type": "numeric", "min": 0, "max": 10000, "decimals": 0, "scale": 10, "unit": "V", "default": 3000},
    "Temp":     {"type": "numeric", "signed": true, "min": -20, "max": 100, "decimals": 0, "scale": 1, "unit": "C", "default": 31},
    "TempMax":  {"type": "numeric", "write": true, "signed": true, "min": 20, "max": 80, "decimals": 0, "scale": 1, "unit": "C", "default": 60}
  },
  "kinds": {
    "ZB3012P": {
      "description": "12 Ch Pos. 3KV 3mA",
      "channels": 12,
      "board": ["BdStatus", "HVMax", "Temp", "TempMax"],
      "channel": ["VSet", "ISet", "VMon", "IMon", "Pw", "RUp", "RDwn", "Trip", "SVMax", "PDwn", "Status"]
    },
    "ZB6024N": {
      "description": "24 Ch Neg. 6KV 1mA",
      "channels": 24,
      "load": 200,
      "board": ["BdStatus", "HVMax", "Temp", "TempMax"],
      "channel": ["VSet", "ISet", "VMon", "IMon", "Pw", "RUp", "RDwn", "Trip", "SVMax", "PDwn", "Status"],
      "override": {
        "VSet": {"max": 6000}, "VMon": {"max": 6000},
        "ISet": {"max": 1000, "decimals": 3, "scale": 1000, "default": 50},
        "IMon": {"max": 1000, "decimals": 3, "scale": 1000},
        "SVMax": {"max": 6000, "default": 6000}, "HVMax": {"default": 6000}
      }
    },
    "ZB4016M": {
      "description": "16 Ch Mixed 4KV and 1KV",
      "channels": 16,
      "board": ["BdStatus", "HVMax", "Temp", "TempMax"],
      "channel": ["VSet", "ISet", "VMon", "IMon", "Pw", "RUp", "RDwn", "Trip", "SVMax", "PDwn", "Status"],
      "override": {
        "VSet": {"max": 4000}, "VMon": {"max": 4000},
        "SVMax": {"max": 4000, "default": 4000}, "HVMax": {"default": 4000}
      },
      "groups": [
        {"channels": [8, 15],
         "override": {"VSet": {"max": 1000}, "VMon": {"max": 1000}, "ISet": {"max": 500},
                      "SVMax": {"max": 1000, "default": 1000}}}
      ]
    },
    "ZB2548B": {
      "description": "48 Ch Bipolar 2.5KV 200uA",
      "channels": 48,
      "load": 50,
      "board": ["BdStatus", "HVMax", "Temp", "TempMax"],
      "channel": ["VSet", "ISet", "VMon", "IMon", "Pw", "RUp", "RDwn", "Trip", "SVMax", "PDwn", "Status"],
      "override": {
        "VSet": {"signed": true, "min": -2500, "max": 2500},
        "VMon": {"signed": true, "min": -2500, "max": 2500},
        "ISet": {"max": 200, "default": 60},
        "IMon": {"signed": true, "min": -200, "max": 200},
        "SVMax": {"max": 2500, "default": 2500}, "HVMax": {"default": 2500}
      }
    }
  },
  "boards": [
    {"slot": 0, "kind": "ZB3012P", "serial": 1201, "firmware": "1.4"},
    {"slot": 1, "kind": "ZB6024N", "serial": 2417, "firmware": "2.1"},
    {"slot": 3, "kind": "ZB4016M", "serial": 3305, "firmware": "1.0"},
    {"slot": 4, "kind": "ZB2548B", "serial": 4410, "firmware": "3.2"}
  ],
  "system": {
    "SwRelease": "5.20",
    "IPAddr": "192.168.10.20",
    "IPNetMsk": "255.255.255.0",
    "IPGw": "192.168.10.1"
  }
})json";

} // namespace

bool is_builtin_crate(std::string_view name) { return name == "default" || name == "full"; }

std::string builtin_crate_json(std::string_view name) {
    if (name != "full") return kDefaultCrate;
    // Sixteen 48-channel boards: the largest crate, for load tests.
    auto j = nlohmann::json::parse(kDefaultCrate);
    j["slots"] = kMaxSlots;
    j["name"] = "HV crate full";
    auto boards = nlohmann::json::array();
    for (int s = 0; s < kMaxSlots; ++s)
        boards.push_back({{"slot", s}, {"kind", "ZB2548B"}, {"serial", 5000 + s}, {"firmware", "3.2"}});
    j["boards"] = boards;
    return j.dump(2);
}

} // namespace sim::mf
