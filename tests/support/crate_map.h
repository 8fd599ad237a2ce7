#pragma once
// The crate map of a one-slot system (a module, a desktop unit), read
// through the public interface and its lists freed.

#include <string>

struct CrateMap {
    int result = -1;
    unsigned short slots = 0, channels = 0, serial = 0;
    std::string model, description;
    unsigned fw_minor = 0, fw_major = 0;
};
CrateMap crate_map(int h);
