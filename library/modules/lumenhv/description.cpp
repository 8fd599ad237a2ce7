#include "modules/lumenhv/description.h"

#include <cmath>
#include <cstring>

#include "frame/fields.h"

namespace zevahv::modules::lumenhv {

namespace {

constexpr std::size_t kDescriptionFields = 10;  // nine separators
constexpr double kLimitMax = 1e15;
constexpr int kDecimalsMax = 20;

bool read_int(std::string_view text, int *out) {
    long v = 0;
    if (!parse_int(text, &v) || v < -1000000 || v > 1000000) return false;
    *out = static_cast<int>(v);
    return true;
}

template <std::size_t N>
bool copy_into(char (&field)[N], std::string_view text) {
    if (text.size() >= N) return false;
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
}

// Decimal digits of the integer part: 8000 gives 4, 0.5 gives 1.
std::uint16_t integer_digits(double max) {
    double v = std::floor(std::fabs(max));
    std::uint16_t n = 1;
    while (v >= 10) {
        v = std::floor(v / 10);
        ++n;
    }
    return n;
}

}  // namespace

std::vector<std::string_view> parse_name_list(std::string_view text) {
    std::vector<std::string_view> names;
    for (std::string_view name : split_fields(text, ';')) {
        if (name.empty()) continue;
        names.push_back(name.substr(0, kListedNameMax));
    }
    return names;
}

bool sendable_name(std::string_view name) {
    if (name.empty() || name.size() > kListedNameMax) return false;
    for (unsigned char c : name)
        if (c <= 0x20 || c >= 0x7f || c == ',' || c == ';' || c == ':') return false;
    return true;
}

bool parse_description(std::string_view text, Description *out) {
    const auto f = split_fields(text, ';', kDescriptionFields + 1);
    if (f.size() != kDescriptionFields) return false;
    Description d;
    if (!read_int(f[0], &d.type) || !read_int(f[1], &d.mode)) return false;
    if (!parse_double(f[2], &d.min) || !parse_double(f[3], &d.max)) return false;
    if (!read_int(f[4], &d.decimals)) return false;
    if (!f[5].empty() && !read_int(f[5], &d.small)) return false;
    d.unit = unit_code(f[6]);
    d.on = std::string(f[7]);
    d.off = std::string(f[8]);
    // The tenth field, after the last separator, says nothing.
    *out = std::move(d);
    return true;
}

int unit_code(std::string_view name) {
    static constexpr std::string_view kNames[] = {"ampere", "volt", "watt",   "celsius",
                                                  "hertz",  "bar",  "vps",    "second",
                                                  "rpm",    "count", "bit"};
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (name == kNames[i]) return static_cast<int>(i) + 1;
    return 0;
}

bool row_from_description(std::string_view name, const Description &d, Row *out) {
    if (!sendable_name(name)) return false;
    if (d.type < static_cast<int>(kNumeric) || d.type > static_cast<int>(kCommand)) return false;
    if (d.mode < static_cast<int>(kRead) || d.mode > static_cast<int>(kReadWrite)) return false;
    if (!(std::fabs(d.min) <= kLimitMax && std::fabs(d.max) <= kLimitMax) || d.min > d.max)
        return false;
    if (d.decimals < 0 || d.decimals > kDecimalsMax) return false;
    Row r{};
    if (!copy_into(r.mnemonic, name)) return false;
    copy_into(r.name, name.substr(0, kRowNameSize - 1));
    if (!copy_into(r.proto_on, d.on) || !copy_into(r.proto_off, d.off)) return false;
    copy_into(r.on, d.on);
    copy_into(r.off, d.off);
    r.type_mode = type_mode(static_cast<unsigned>(d.type), static_cast<unsigned>(d.mode));
    r.min = static_cast<float>(d.min);
    r.max = static_cast<float>(d.max);
    r.decimals = static_cast<std::uint16_t>(d.decimals);
    r.idigits = integer_digits(d.max);
    r.ddigits = static_cast<std::uint16_t>(d.decimals);
    r.unit = static_cast<std::int8_t>(d.unit);
    // Written with its value whatever its mode, as the module described it;
    // only a command is a bare word.
    r.role = d.type == static_cast<int>(kCommand) ? Role::None : Role::Plain;
    *out = r;
    return true;
}

}  // namespace zevahv::modules::lumenhv
