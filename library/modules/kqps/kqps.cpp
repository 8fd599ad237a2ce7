// The KQPS programmable power supply: one output, reached over TCP only,
// in its own short line language ("MRV:?" read, "MWVR:12.500000" write,
// "MON" command, "#AK" acknowledgement; modules/dialects/kqps.cpp).  Its one
// channel is the output; the supply's loop, temperatures, mode and alarm
// clear are board parameters.  Power is bit 0 of the status word MST and is
// switched with the bare commands MON and MOFF.
#include "modules/family.h"
#include "modules/module.h"

namespace zevahv::modules {

namespace {

constexpr std::int8_t kVolt = ZEVAHV_PARAM_UN_VOLT;
constexpr std::int8_t kAmpere = ZEVAHV_PARAM_UN_AMPERE;
constexpr std::int8_t kCelsius = ZEVAHV_PARAM_UN_CELSIUS;
constexpr std::int8_t kVoltPerSecond = ZEVAHV_PARAM_UN_VPS;
// The current ramp's unit (ampere per second) has no code of the interface's
// table; the supply reports it as this one.
constexpr std::int8_t kAmperePerSecond = 12;

constexpr Row kBoardRows[] = {
    {.name = "Loop", .mnemonic = "LOOP", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "I", .proto_off = "V", .on = "I", .off = "V"},
    {.name = "IGC", .mnemonic = "MGC", .type_mode = type_mode(kNumeric, kRead), .unit = kAmpere},
    {.name = "Temp", .mnemonic = "MRT", .type_mode = type_mode(kNumeric, kRead), .unit = kCelsius},
    {.name = "TempIGBT", .mnemonic = "MRT:1", .type_mode = type_mode(kNumeric, kRead),
     .unit = kCelsius},
    {.name = "TempHF", .mnemonic = "MRT:2", .type_mode = type_mode(kNumeric, kRead),
     .unit = kCelsius},
    {.name = "UpMode", .mnemonic = "UPMODE", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "ANALOG", .proto_off = "NORMAL", .on = "ANALOG", .off = "NORMAL"},
    // Listed as "ClearAlar"; ZEVAHV_ExecComm sends the bare word MRESET.
    {.name = "ClearAlarm", .mnemonic = "MRESET", .type_mode = type_mode(kCommand, kWrite)},
};

// The output: set points (ramped and direct), monitors, ramps, status and
// power.  Limits are the supply's own: 300 V, 30 A.
constexpr Row output(const char *name, const char *word, unsigned mode, float min, float max,
                     std::uint16_t idigits, std::int8_t unit) {
    Row r = {.type_mode = type_mode(kNumeric, mode), .min = min, .max = max, .decimals = 3,
             .idigits = idigits, .ddigits = 3, .unit = unit};
    for (std::size_t i = 0; name[i] != '\0' && i + 1 < kRowNameSize; ++i) r.name[i] = name[i];
    for (std::size_t i = 0; word[i] != '\0' && i + 1 < kMnemonicSize; ++i) r.mnemonic[i] = word[i];
    return r;
}

constexpr Row kChannelRows[] = {
    output("VSet", "MWVR", kReadWrite, 0, 300, 3, kVolt),
    output("VMon", "MRV", kRead, 0, 300, 3, kVolt),
    output("ISet", "MWIR", kReadWrite, 0, 30, 2, kAmpere),
    output("IMon", "MRI", kRead, 0, 30, 2, kAmpere),
    output("ISetDir", "MWI", kReadWrite, 0, 30, 2, kAmpere),
    output("VSetDir", "MWV", kReadWrite, 0, 300, 3, kVolt),
    output("IRamp", "MSRI", kReadWrite, 1, 30, 2, kAmperePerSecond),
    output("VRamp", "MSRV", kReadWrite, 1, 300, 3, kVoltPerSecond),
    {.name = "ChStatus", .mnemonic = "MST", .type_mode = type_mode(kChStatus, kRead)},
    {.name = "Pw", .mnemonic = "Pw", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "MON", .proto_off = "MOFF", .on = "On", .off = "Off", .role = Role::Power},
};

constexpr FamilyDesc kKqps = {
    .name = "KQPS",
    .tcp_port = 10001,
    .serial_allowed = false,
    .arg_form = ArgForm::PortSettings,
    .tcp_settle_ms = 1000,
    .dialect = &dialects::kKqps,
    .number_format = NumberFormat::Plain6,
    .board_rows = kBoardRows,
    .channel_rows = kChannelRows,
    .ident = {.model = "MRID", .release = "VER", .release_points = 2, .serial = nullptr},
    .fixed_channels = 1,
    .status_mnemonic = "MST",
    .power_rule = PowerRule::Bit0,
};

}  // namespace

}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps kqps_ops;
const FamilyOps kqps_ops = modules::make_family_ops<modules::kKqps>();
}  // namespace zevahv
