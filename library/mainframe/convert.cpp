#include "mainframe/convert.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace zevahv::mainframe {

namespace {

// A scale factor of 0 would divide by zero: the mainframe means "unscaled".
double factor(const ParamDescriptor &d) { return d.scale == 0 ? 1.0 : static_cast<double>(d.scale); }

double raw_number(const ParamDescriptor &d, std::uint32_t raw) {
    return d.is_signed ? static_cast<double>(static_cast<std::int32_t>(raw)) : static_cast<double>(raw);
}

}  // namespace

float raw_to_value(const ParamDescriptor &d, std::uint32_t raw) {
    const double r = raw_number(d, raw);
    return static_cast<float>(d.decimals != 0 ? r / factor(d) : r * factor(d));
}

std::uint32_t value_to_raw(const ParamDescriptor &d, float value) {
    double v = d.decimals != 0 ? double{value} * factor(d) : double{value} / factor(d);
    if (std::isnan(v)) v = 0;
    v += (d.is_signed && v < 0) ? -0.5 : 0.5;
    if (d.is_signed) {
        constexpr double lo = std::numeric_limits<std::int32_t>::min();
        constexpr double hi = std::numeric_limits<std::int32_t>::max();
        v = std::fmin(std::fmax(v, lo), hi);
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
    }
    v = std::fmin(std::fmax(v, 0.0), double{std::numeric_limits<std::uint32_t>::max()});
    return static_cast<std::uint32_t>(v);
}

bool store_read_value(const ParamDescriptor &d, std::uint32_t raw, void *element) {
    switch (d.type) {
    case 0: {
        const float f = raw_to_value(d, raw);
        std::memcpy(element, &f, sizeof f);
        return true;
    }
    case 1: case 2: case 4:
        std::memcpy(element, &raw, sizeof raw);
        return true;
    default:
        return false;
    }
}

std::uint32_t raw_for_write(const ParamDescriptor &d, void *value) {
    if (d.type == 0) {
        float f;
        std::memcpy(&f, value, sizeof f);
        const std::uint32_t raw = value_to_raw(d, f);
        const float back = raw_to_value(d, raw);
        std::memcpy(value, &back, sizeof back);
        return raw;
    }
    // Two-state, raw and every other type: the caller's 32 bits as they are.
    std::uint32_t raw;
    std::memcpy(&raw, value, sizeof raw);
    return raw;
}

}  // namespace zevahv::mainframe
