#pragma once
// A parameter as the crate describes it to clients: name, type, access and
// sign flags, limits (or the two texts of an on/off parameter), decimals,
// scale factor, unit and exponent. Values travel as raw 32-bit numbers;
// the descriptor says how a raw number stands for a value in the unit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mainframe/bytes.h"

namespace sim::mf {

// Parameter type codes as clients know them.
enum ParamType : uint16_t {
    kTypeNumeric = 0,
    kTypeOnOff = 1,
    kTypeChStatus = 2,
    kTypeBdStatus = 3,
    kTypeRaw = 4,
    kTypeText = 5,
    kTypeEnum = 6,
    kTypeCommand = 7,
};

// What the simulated hardware does with a parameter beyond storing it.
enum class Role {
    Store,
    // channel
    VSet, ISet, VMon, IMon, Pw, RUp, RDwn, Trip, SVMax, PDwn, Status,
    // board
    BdStatus, Temp, TempMax, HVMax,
};
constexpr size_t kRoleCount = static_cast<size_t>(Role::HVMax) + 1;

std::optional<Role> role_by_name(std::string_view name);
const char* role_name(Role r);

constexpr size_t kParamNameField = 10;  // 9 characters and a NUL
constexpr size_t kOnOffTextField = 8;   // 7 characters and a NUL
constexpr size_t kDescriptorSize = 32;

struct ParamDesc {
    std::string name;
    uint16_t type = kTypeNumeric;
    bool writable = false;
    bool is_signed = false;
    int64_t min_raw = 0; // as the sign flag reads the 32 bits
    int64_t max_raw = 0;
    std::string on_text, off_text; // on/off parameters
    int16_t decimals = 0;
    uint16_t scale = 1;
    uint16_t unit = 0;
    int16_t exponent = 0;
    uint16_t extra = 0;
    Role role = Role::Store;
    double initial = 0; // value at start, in the unit

    // Raw 32 bits to the value in the unit: divided by the scale with
    // decimals, multiplied without.
    double to_value(uint32_t raw) const;
    // The nearest raw number for a value (half away from zero), as a
    // 64-bit number so that a value outside 32 bits is seen as such.
    int64_t to_raw(double value) const;
    // The 32 bits of a raw number as the sign flag reads them.
    int64_t interpret(uint32_t raw) const;
    bool in_range(int64_t raw) const { return raw >= min_raw && raw <= max_raw; }

    // The 32-byte wire form.
    void encode(ByteWriter& w) const;
};

} // namespace sim::mf
