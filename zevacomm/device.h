// A simulated device behind a handle: a map of 16-bit registers addressed
// by byte offset.  The entry points hold the device's mutex around every
// access, so a model never sees two callers at once.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "model.h"

namespace zevacomm {

class Device {
public:
    virtual ~Device() = default;
    // Both return 0 or a negative Result.
    virtual int read16(unsigned addr, std::uint16_t *value) = 0;
    virtual int write16(unsigned addr, std::uint16_t value) = 0;

    std::mutex mutex;
};

std::unique_ptr<Device> make_w40xx_board(const Model &m);
std::unique_ptr<Device> make_rd40xx_unit(const Model &m);

inline std::unique_ptr<Device> make_device(const Model &m) {
    return m.kind == Kind::W40xx ? make_w40xx_board(m) : make_rd40xx_unit(m);
}

}  // namespace zevacomm
