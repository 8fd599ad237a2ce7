#include "regaccess/w40xx/descriptors.h"

#include <string_view>

#include "ZEVAHVLink.h"

namespace zevahv::regaccess::w40xx {

namespace {

constexpr std::size_t kNameField = 10;
constexpr std::uint8_t kWide = 0x08;
constexpr std::uint8_t kAccessMask = 0x60;
constexpr std::uint8_t kReadWrite = 0x20;
constexpr std::uint8_t kCommand = 0x40;
constexpr std::uint8_t kSigned = 0x80;

std::uint16_t le16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// The boards' two-state parameters carry no texts; these names get theirs
// (and "Status" is the channel status word whatever its type bits say).
void apply_name_rules(Row &r) {
    struct Rule {
        std::string_view name;
        unsigned type;
        const char *on;
        const char *off;
    };
    static constexpr Rule kRules[] = {
        {"Status", ZEVAHV_PARAM_TYPE_CHSTATUS, "", ""},
        {"Pw", ZEVAHV_PARAM_TYPE_ONOFF, "On", "Off"},
        {"PDwn", ZEVAHV_PARAM_TYPE_ONOFF, "Ramp", "Kill"},
        {"Polarity", ZEVAHV_PARAM_TYPE_ONOFF, "+", "-"},
        {"ImonRange", ZEVAHV_PARAM_TYPE_ONOFF, "Low", "Hi"},
    };
    for (const Rule &rule : kRules) {
        if (r.name != rule.name) continue;
        r.type = rule.type;
        r.on_text = rule.on;
        r.off_text = rule.off;
    }
}

bool printable_name(const std::uint8_t *p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] <= ' ' || p[i] > '~') return false;
    return true;
}

}  // namespace

std::vector<Descriptor> parse_descriptor_area(std::span<const std::uint8_t> area) {
    std::vector<Descriptor> out;
    for (std::size_t j = 0; j < kMaxDescriptors; ++j) {
        std::uint8_t d[kDescriptorSize] = {};
        const std::size_t at = j * kDescriptorSize;
        for (std::size_t b = 0; b < kDescriptorSize && at + b < area.size(); ++b) d[b] = area[at + b];
        if (d[0] == 0) break;  // the end of the list

        std::size_t len = 0;
        while (len < kNameField && d[len] != 0) ++len;
        if (len == kNameField || !printable_name(d, len)) continue;
        Row r;
        r.name.assign(reinterpret_cast<const char *>(d), len);
        bool seen = false;
        for (const Descriptor &e : out) seen = seen || e.row.name == r.name;
        if (seen) continue;

        const std::uint8_t tm = d[10];
        const std::uint8_t access = tm & kAccessMask;
        if (access == kAccessMask) continue;
        r.type = tm & 0x07;
        r.wide = (tm & kWide) != 0;
        r.is_signed = (tm & kSigned) != 0;
        r.command = access == kCommand;
        r.mode = access == kReadWrite ? ZEVAHV_PARAM_MODE_RDWR
                 : r.command          ? ZEVAHV_PARAM_MODE_WRONLY
                                      : ZEVAHV_PARAM_MODE_RDONLY;
        r.offset = static_cast<std::int8_t>(d[11]);
        const std::uint16_t min = le16(d + 12), max = le16(d + 14), scale = le16(d + 16);
        r.scale = scale;
        r.decimals = scale_decimals(scale);
        // The limits in whole shown units (integer division of the raw
        // limits); a scale of 0 means the raw value is shown.
        r.min = static_cast<float>(scale ? min / scale : min);
        r.max = static_cast<float>(scale ? max / scale : max);
        r.unit = d[18];
        r.exp = static_cast<short>(-static_cast<std::int8_t>(d[19]));
        apply_name_rules(r);
        if (r.name == "SwRelease" && r.type == ZEVAHV_PARAM_TYPE_NUMERIC && !r.is_signed)
            r.special = Special::Release;
        out.push_back({j, std::move(r)});
    }
    return out;
}

std::vector<int> applicable_rows(std::uint32_t mask, const std::vector<Descriptor> &descriptors,
                                 bool board) {
    std::vector<int> rows;
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        const Descriptor &e = descriptors[i];
        if (!(mask >> e.index & 1u)) continue;
        if (board && !e.row.command && e.row.offset < 0) continue;
        rows.push_back(static_cast<int>(i));
    }
    return rows;
}

}  // namespace zevahv::regaccess::w40xx
