#pragma once
// The value of an event record as the number it carries (the record's
// first four bytes, in the host's order).

#include <cstring>

#include "ZEVAHVLink.h"

inline float record_float(const IDValue_t& e) {
    float f;
    std::memcpy(&f, e.Value, sizeof f);
    return f;
}

inline unsigned record_uint(const IDValue_t& e) {
    unsigned u;
    std::memcpy(&u, e.Value, sizeof u);
    return u;
}
