#include "modules/protocol.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zevahv::modules::protocol {

namespace {

// Copies the digits of a number into out, zero-padded after any sign to at
// least width characters, as printf's "%0<width>" does.
bool zero_padded(std::string_view digits, int width, char *out, std::size_t cap) {
    const std::size_t len = digits.size();
    const std::size_t pad = len < static_cast<std::size_t>(width < 0 ? 0 : width) ? width - len : 0;
    if (len + pad + 1 > cap) return false;
    std::size_t o = 0;
    if (!digits.empty() && digits.front() == '-') {
        out[o++] = '-';
        digits.remove_prefix(1);
    }
    for (std::size_t k = 0; k < pad; ++k) out[o++] = '0';
    for (char c : digits) out[o++] = c;
    out[o] = '\0';
    return true;
}

}  // namespace

bool format_fixed(double value, int width, int decimals, char *out, std::size_t cap) {
    if (!std::isfinite(value) || decimals < 0 || decimals > 20 || width < 0 || width > 60 ||
        cap == 0)
        return false;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc{}) return false;
    return zero_padded({buf, static_cast<std::size_t>(r.ptr - buf)}, width, out, cap);
}

bool format_int(long value, int width, char *out, std::size_t cap) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return zero_padded({buf, static_cast<std::size_t>(r.ptr - buf)}, width, out, cap);
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
