#include "frame/fields.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace zevahv {

namespace {

// Blanks before, blanks and the line end after.
std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' ||
                          s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::string_view number_text(std::string_view text) {
    std::string_view t = trim(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    return t;
}

}  // namespace

std::vector<std::string_view> split_fields(std::string_view text, char sep,
                                           std::size_t max_fields) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (out.size() < max_fields) {
        const std::size_t pos = text.find(sep, start);
        if (pos == std::string_view::npos) {
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return out;
}

int leading_decimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT_MAX) {
            v = INT_MAX;
            break;
        }
    }
    return static_cast<int>(negative ? -v : v);
}

bool parse_digits(std::string_view text, std::size_t max_digits, unsigned *out) {
    if (text.empty() || text.size() > max_digits || text.size() > 9) return false;
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    *out = v;
    return true;
}

bool parse_int(std::string_view text, long *out) {
    const std::string_view t = number_text(text);
    if (t.empty()) return false;
    long v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v, 10);
    if (r.ec != std::errc{} || r.ptr != t.data() + t.size()) return false;
    *out = v;
    return true;
}

bool parse_double(std::string_view text, double *out) {
    const std::string_view t = number_text(text);
    if (t.empty()) return false;
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (r.ec != std::errc{} || r.ptr != t.data() + t.size() || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool parse_float(std::string_view text, float *out) {
    double v = 0;
    if (!parse_double(text, &v)) return false;
    *out = static_cast<float>(v);
    return true;
}

}  // namespace zevahv
