#include "mainframe/descriptor.h"

#include <array>
#include <cmath>

namespace sim::mf {

namespace {

struct RoleName {
    Role role;
    const char* name;
};

constexpr std::array kRoles = {
    RoleName{Role::Store, "Store"},   RoleName{Role::VSet, "VSet"},
    RoleName{Role::ISet, "ISet"},     RoleName{Role::VMon, "VMon"},
    RoleName{Role::IMon, "IMon"},     RoleName{Role::Pw, "Pw"},
    RoleName{Role::RUp, "RUp"},       RoleName{Role::RDwn, "RDwn"},
    RoleName{Role::Trip, "Trip"},     RoleName{Role::SVMax, "SVMax"},
    RoleName{Role::PDwn, "PDwn"},     RoleName{Role::Status, "Status"},
    RoleName{Role::BdStatus, "BdStatus"}, RoleName{Role::Temp, "Temp"},
    RoleName{Role::TempMax, "TempMax"},   RoleName{Role::HVMax, "HVMax"},
};

// Flag bits of the descriptor's 32-bit type word.
constexpr uint32_t kFlagWritable = 1u << 15;
constexpr uint32_t kFlagSigned = 1u << 14;

} // namespace

std::optional<Role> role_by_name(std::string_view name) {
    for (const auto& r : kRoles)
        if (name == r.name) return r.role;
    return std::nullopt;
}

const char* role_name(Role r) {
    for (const auto& x : kRoles)
        if (x.role == r) return x.name;
    return "Store";
}

int64_t ParamDesc::interpret(uint32_t raw) const {
    return is_signed ? static_cast<int64_t>(static_cast<int32_t>(raw)) : static_cast<int64_t>(raw);
}

double ParamDesc::to_value(uint32_t raw) const {
    double r = static_cast<double>(interpret(raw));
    double f = scale ? scale : 1;
    return decimals != 0 ? r / f : r * f;
}

int64_t ParamDesc::to_raw(double value) const {
    double f = scale ? scale : 1;
    double x = decimals != 0 ? value * f : value / f;
    if (!std::isfinite(x) || std::fabs(x) > 1e15) return x < 0 ? INT64_MIN / 2 : INT64_MAX / 2;
    return static_cast<int64_t>(std::llround(x));
}

void ParamDesc::encode(ByteWriter& w) const {
    uint32_t flags = static_cast<uint32_t>(type) << 16;
    if (writable) flags |= kFlagWritable;
    if (is_signed) flags |= kFlagSigned;
    w.fixed(name, kParamNameField).u32(flags);
    if (type == kTypeOnOff) {
        w.fixed(on_text, kOnOffTextField).fixed(off_text, kOnOffTextField).u16(0);
    } else {
        w.u32(static_cast<uint32_t>(min_raw)).u32(static_cast<uint32_t>(max_raw));
        w.u16(static_cast<uint16_t>(decimals)).u16(scale).u16(unit);
        w.u16(static_cast<uint16_t>(exponent)).u16(extra);
    }
}

} // namespace sim::mf
