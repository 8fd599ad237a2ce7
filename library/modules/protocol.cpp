#include "modules/protocol.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zevahv::modules::protocol {

bool format_fixed(double value, int width, int decimals, char *out, std::size_t cap) {
    if (!std::isfinite(value) || decimals < 0 || decimals > 20 || width < 0 || width > 60 ||
        cap == 0)
        return false;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc{}) return false;
    std::size_t len = static_cast<std::size_t>(r.ptr - buf);
    bool negative = len > 0 && buf[0] == '-';
    std::size_t pad = len < static_cast<std::size_t>(width) ? width - len : 0;
    if (len + pad + 1 > cap) return false;
    std::size_t o = 0;
    std::size_t i = 0;
    if (negative) {
        out[o++] = '-';
        i = 1;
    }
    for (std::size_t k = 0; k < pad; ++k) out[o++] = '0';
    for (; i < len; ++i) out[o++] = buf[i];
    out[o] = '\0';
    return true;
}

bool format_int(long value, int width, char *out, std::size_t cap) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    std::size_t len = static_cast<std::size_t>(r.ptr - buf);
    bool negative = value < 0;
    std::size_t pad = len < static_cast<std::size_t>(width < 0 ? 0 : width) ? width - len : 0;
    if (len + pad + 1 > cap) return false;
    std::size_t o = 0, i = 0;
    if (negative) {
        out[o++] = '-';
        i = 1;
    }
    for (std::size_t k = 0; k < pad; ++k) out[o++] = '0';
    for (; i < len; ++i) out[o++] = buf[i];
    out[o] = '\0';
    return true;
}

bool parse_release(std::string_view text, int points, Release *out) {
    const auto parts = split_fields(text, '.', 3);
    if (static_cast<int>(parts.size()) - 1 < points) return false;
    int v[3] = {0, 0, 0};
    for (std::size_t k = 0; k < parts.size(); ++k)
        v[k] = std::clamp(leading_decimal(parts[k]), 0, 255);
    out->major = v[0];
    out->minor = v[1];
    out->patch = v[2];
    return true;
}

}  // namespace zevahv::modules::protocol
