#include "regaccess/row.h"

#include <cmath>
#include <cstring>

#include "ZEVAHVLink.h"

namespace zevahv::regaccess {

namespace {

std::uint32_t float_bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

double signed_raw(const Row &row, std::uint32_t raw) {
    if (!row.is_signed) return row.wide ? raw : (raw & 0xFFFF);
    return row.wide ? static_cast<double>(static_cast<std::int32_t>(raw))
                    : static_cast<double>(static_cast<std::int16_t>(raw & 0xFFFF));
}

}  // namespace

std::uint32_t client_value(const Row &row, std::uint32_t raw) {
    if (!row.wide) raw &= 0xFFFF;
    if (row.bit >= 0) return (raw >> row.bit) & 1u;
    if (row.type != ZEVAHV_PARAM_TYPE_NUMERIC) return raw;
    if (row.special == Special::Release)
        return float_bits(static_cast<float>((raw >> 8 & 0xFF) + (raw & 0xFF) / 100.0));
    const double v = signed_raw(row, raw);
    return float_bits(static_cast<float>(row.scale == 0 ? v : v / row.scale));
}

bool raw_from_number(const Row &row, double value, std::uint32_t *raw, float *shown) {
    if (!std::isfinite(value)) return false;
    const double counts = std::round(row.scale == 0 ? value : value * row.scale);
    double lo = 0, hi = row.wide ? 4294967295.0 : 65535.0;
    if (row.is_signed) {
        lo = row.wide ? -2147483648.0 : -32768.0;
        hi = row.wide ? 2147483647.0 : 32767.0;
    }
    if (!(counts >= lo && counts <= hi)) return false;
    const std::uint32_t bits = counts < 0
                                   ? static_cast<std::uint32_t>(static_cast<std::int64_t>(counts))
                                   : static_cast<std::uint32_t>(counts);
    *raw = row.wide ? bits : (bits & 0xFFFF);
    *shown = static_cast<float>(row.scale == 0 ? counts : counts / row.scale);
    return true;
}

unsigned short scale_decimals(double scale) {
    unsigned short d = 0;
    for (double s = std::round(scale); s >= 10; s /= 10) ++d;
    return d;
}

}  // namespace zevahv::regaccess
