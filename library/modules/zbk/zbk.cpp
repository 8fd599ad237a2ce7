// The ZBK supply module: every channel carries a 5 V, a 48 V and a fan
// supply with their currents, a status word and a power switch; the module
// has no board parameters.  Unaddressed command form.  Each monitor's
// resolution (the step its value moves in) is read at open; the ZBK is the
// one text family that answers ZEVAHV_TestBdPresence.
#include <string>

#include "frame/fields.h"
#include "modules/family.h"
#include "modules/module.h"

namespace zevahv::modules {

namespace {

constexpr std::int8_t kVolt = ZEVAHV_PARAM_UN_VOLT;
constexpr std::int8_t kAmpere = ZEVAHV_PARAM_UN_AMPERE;
constexpr std::uint16_t kDecimals = 2;

constexpr Row kChannelRows[] = {
    {.name = "V5", .mnemonic = "V5", .type_mode = type_mode(kNumeric, kRead),
     .decimals = kDecimals, .unit = kVolt},
    {.name = "V48", .mnemonic = "V48", .type_mode = type_mode(kNumeric, kRead),
     .decimals = kDecimals, .unit = kVolt},
    {.name = "VFan", .mnemonic = "VFAN", .type_mode = type_mode(kNumeric, kRead),
     .decimals = kDecimals, .unit = kVolt},
    {.name = "I5", .mnemonic = "I5", .type_mode = type_mode(kNumeric, kRead),
     .decimals = kDecimals, .unit = kAmpere},
    {.name = "I48", .mnemonic = "I48", .type_mode = type_mode(kNumeric, kRead),
     .decimals = kDecimals, .unit = kAmpere},
    {.name = "IFan", .mnemonic = "IFAN", .type_mode = type_mode(kNumeric, kRead),
     .decimals = kDecimals, .unit = kAmpere},
    {.name = "Status", .mnemonic = "STAT", .type_mode = type_mode(kChStatus, kRead)},
    {.name = "Pw", .mnemonic = "Pw", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "ON", .proto_off = "OFF", .on = "On", .off = "Off", .role = Role::Power},
};

// Every monitor has a resolution word: its mnemonic and "RES" (V5RES).
int read_resolution(Module &m, Row &row) {
    if (row_type(row) != kNumeric) return 0;
    std::string text;
    double v = 0;
    if (monitor(m, std::string(row.mnemonic) + "RES", 0, &text) || !parse_double(text, &v))
        return -1;
    row.resolution = v;
    return 0;
}

// The channel parameters tell their type, mode, unit, decimals and state
// texts; nothing else.
int property(Module &, int, int, std::string_view prop, void *) {
    for (std::string_view known : {"Type", "Mode", "Unit", "Decimal", "Onstate", "Offstate"})
        if (prop == known) return kStandardProperty;
    return ZEVAHV_ERR_PARAMPROPNOTFOUND;
}

constexpr FamilyDesc kZbk = {
    .name = "ZBK",
    .tcp_port = 23,
    .arg_form = ArgForm::PortSettings,
    .tcp_settle_ms = 1000,
    .dialect = &dialects::kUnaddressed,
    .number_format = NumberFormat::Fixed2,
    .max_rows = 8,
    .channel_rows = kChannelRows,
    .ident = {.serial = nullptr},
    .power_rule = PowerRule::Bit0,
    .row_settle_ms = 100,
    .board_presence = true,
    .hooks = {.fetch_limits = read_resolution, .property = property},
};

}  // namespace

}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps zbk_ops;
const FamilyOps zbk_ops = modules::make_family_ops<modules::kZbk>();
}  // namespace zevahv
