// Conversion between a mainframe's raw 32-bit parameter values and the
// values a client sees, by the parameter's descriptor: a numeric value is
// the raw number divided by the scale factor when the parameter has
// decimals, multiplied by it when it has none.
#pragma once

#include <cstdint>

#include "mainframe/description.h"

namespace zevahv::mainframe {

// The client's value of a raw number (signed when the descriptor says so).
float raw_to_value(const ParamDescriptor &d, std::uint32_t raw);

// The raw number nearest to a value (rounded half away from zero for a
// signed parameter, half up otherwise), clamped to what 32 bits hold.
std::uint32_t value_to_raw(const ParamDescriptor &d, float value);

// Writes the client's element for a raw value read from the mainframe:
// type 0 as float, types 1, 2 and 4 as the raw unsigned number; other types
// leave the element untouched.  False for those other types.
bool store_read_value(const ParamDescriptor &d, std::uint32_t raw, void *element);

// The raw number to send for the client's 4-byte value, and (type 0) the
// value the raw number stands for written back into the caller's element.
std::uint32_t raw_for_write(const ParamDescriptor &d, void *value);

}  // namespace zevahv::mainframe
