#include "model/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace sim {

double round_to(double v, int decimals) {
    double scale = std::pow(10.0, decimals);
    double r = std::round(v * scale) / scale;
    return r == 0 ? 0.0 : r; // never "-000.0"
}

std::string format_fixed(double v, int int_digits, int decimals) {
    int width = int_digits + (decimals > 0 ? decimals + 1 : 0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%0*.*f", width, decimals, round_to(v, decimals));
    std::string s = buf;
    for (char& c : s)
        if (c == ',') c = '.'; // snprintf follows LC_NUMERIC; the wire does not
    return s;
}

std::string format_status(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05u", v & 0xFFFFu);
    return buf;
}

std::optional<double> parse_decimal(std::string_view s) {
    if (s.empty() || s.size() > 32) return std::nullopt;
    size_t i = 0;
    if (s[0] == '+' || s[0] == '-') i = 1;
    size_t digits = 0, points = 0;
    for (size_t j = i; j < s.size(); ++j) {
        if (s[j] >= '0' && s[j] <= '9') ++digits;
        else if (s[j] == '.' && points == 0) ++points;
        else return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    // Parse by hand into integer and fraction, so no locale is involved.
    double v = 0, scale = 1;
    bool frac = false;
    for (size_t j = i; j < s.size(); ++j) {
        if (s[j] == '.') {
            frac = true;
            continue;
        }
        if (frac) {
            scale /= 10;
            v += (s[j] - '0') * scale;
        } else {
            v = v * 10 + (s[j] - '0');
        }
    }
    return s[0] == '-' ? -v : v;
}

std::optional<long> parse_whole(std::string_view s) {
    auto v = parse_decimal(s);
    if (!v || std::floor(*v) != *v || std::fabs(*v) > 1e9) return std::nullopt;
    return static_cast<long>(*v);
}

} // namespace sim
