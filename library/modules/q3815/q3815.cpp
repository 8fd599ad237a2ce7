// The Q3815 high-voltage module: a few independent channels, addressed
// commands, limits completed from the module at open, a current monitor
// with two ranges (IMonL is valid only in the low range, IMonH only in the
// high one), and power read through the status word.
#include <cstring>
#include <string>

#include "modules/family.h"
#include "modules/module.h"
#include "modules/protocol.h"

namespace zevahv::modules {

namespace {

constexpr std::int8_t kAmpere = ZEVAHV_PARAM_UN_AMPERE;
constexpr std::int8_t kVolt = ZEVAHV_PARAM_UN_VOLT;
constexpr std::int8_t kVps = ZEVAHV_PARAM_UN_VPS;
constexpr std::int8_t kSecond = ZEVAHV_PARAM_UN_SECOND;

constexpr Row kBoardRows[] = {
    {.name = "IlkStat", .mnemonic = "BDILK", .type_mode = type_mode(kOnOff, kRead),
     .proto_on = "YES", .proto_off = "NO", .on = "Yes", .off = "No"},
    {.name = "Interlock", .mnemonic = "BDILKM", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "CLOSED", .proto_off = "OPEN", .on = "Closed", .off = "Open"},
    {.name = "Control", .mnemonic = "BDCTR", .type_mode = type_mode(kOnOff, kRead),
     .proto_on = "LOCAL", .proto_off = "REMOTE", .on = "Local", .off = "Remote"},
    {.name = "RTerm", .mnemonic = "BDTERM", .type_mode = type_mode(kOnOff, kRead),
     .proto_on = "ON", .proto_off = "OFF", .on = "On", .off = "Off"},
    {.name = "Alarm", .mnemonic = "BDALARM", .type_mode = type_mode(kBdStatus, kRead)},
    {.name = "ClrAlarm", .mnemonic = "BDCLR", .type_mode = type_mode(kOnOff, kWrite)},
};

constexpr Row kChannelRows[] = {
    {.name = "VSet", .mnemonic = "VSET", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 8000, .decimals = 1, .idigits = 4, .ddigits = 1, .unit = kVolt},
    {.name = "VMon", .mnemonic = "VMON", .type_mode = type_mode(kNumeric, kRead),
     .min = 0, .max = 10000, .decimals = 1, .idigits = 4, .ddigits = 1, .unit = kVolt},
    {.name = "ISet", .mnemonic = "ISET", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 3000, .decimals = 0, .idigits = 4, .ddigits = 2, .unit = kAmpere,
     .exp = -6},
    {.name = "ImonRange", .mnemonic = "IMRANGE", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "LOW", .proto_off = "HIGH", .on = "Low", .off = "Hi",
     .role = Role::RangeSwitch},
    {.name = "IMonL", .mnemonic = "IMON", .type_mode = type_mode(kNumeric, kRead),
     .min = 0, .max = 5000, .decimals = 0, .idigits = 4, .ddigits = 2, .unit = kAmpere,
     .exp = -6, .role = Role::MonitorLow},
    {.name = "IMonH", .mnemonic = "IMON", .type_mode = type_mode(kNumeric, kRead),
     .min = 0, .max = 5000, .decimals = 0, .idigits = 4, .ddigits = 2, .unit = kAmpere,
     .exp = -6, .role = Role::MonitorHigh},
    {.name = "MaxV", .mnemonic = "MAXV", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 8100, .decimals = 0, .idigits = 4, .ddigits = 0, .unit = kVolt},
    {.name = "RUp", .mnemonic = "RUP", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 1, .max = 500, .decimals = 0, .idigits = 3, .ddigits = 0, .unit = kVps},
    {.name = "RDwn", .mnemonic = "RDW", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 1, .max = 500, .decimals = 0, .idigits = 3, .ddigits = 0, .unit = kVps},
    {.name = "Trip", .mnemonic = "TRIP", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 1000, .decimals = 0, .idigits = 4, .ddigits = 1, .unit = kSecond},
    {.name = "PDwn", .mnemonic = "PDWN", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "RAMP", .proto_off = "KILL", .on = "Ramp", .off = "Kill"},
    {.name = "Polarity", .mnemonic = "POL", .type_mode = type_mode(kOnOff, kRead),
     .proto_on = "-", .proto_off = "+", .on = "-", .off = "+"},
    {.name = "ChStatus", .mnemonic = "STAT", .type_mode = type_mode(kChStatus, kRead)},
    {.name = "Pw", .mnemonic = "Pw", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "ON", .proto_off = "OFF", .on = "On", .off = "Off", .role = Role::Power},
};

// The words that complete a row's limits: minimum, maximum, decimals.
struct LimitWords {
    const char *mnemonic, *min, *max, *dec;
};
constexpr LimitWords kLimitWords[] = {
    {"VSET", "VMIN", "VMAX", "VDEC"},       {"ISET", "IMIN", "IMAX", "ISDEC"},
    {"MAXV", "MVMIN", "MVMAX", "MVDEC"},    {"RUP", "RUPMIN", "RUPMAX", "RUPDEC"},
    {"RDW", "RDWMIN", "RDWMAX", "RDWDEC"},  {"TRIP", "TRIPMIN", "TRIPMAX", "TRIPDEC"},
};

// An integer the module reports for channel 0; false when it does not answer
// with one.
bool read_integer(Module &m, const char *mnemonic, long *out) {
    std::string text;
    return monitor(m, mnemonic, 0, &text) == 0 && parse_int(text, out);
}

// The two current monitors show the module's decimals of the range they
// belong to: the module reports IMDEC for its present range, and the other
// range is two decimals apart.
void fetch_monitor_decimals(Module &m, Row &row) {
    long dec = 0;
    if (!read_integer(m, "IMDEC", &dec)) return;
    std::string range;
    if (monitor(m, "IMRANGE", 0, &range) == 0) {
        if (row.role == Role::MonitorLow && range == "HIGH") dec += 2;
        if (row.role == Role::MonitorHigh && range == "LOW") dec -= 2;
    }
    row.decimals = static_cast<std::uint16_t>(dec < 0 ? 0 : dec > 20 ? 20 : dec);
}

int fetch_limits(Module &m, Row &row) {
    if (std::strcmp(row.mnemonic, "IMON") == 0) {
        fetch_monitor_decimals(m, row);
        return 0;
    }
    for (const LimitWords &w : kLimitWords) {
        if (std::strcmp(row.mnemonic, w.mnemonic) != 0) continue;
        long v = 0;
        if (read_integer(m, w.min, &v)) row.min = static_cast<float>(v);
        if (read_integer(m, w.max, &v)) row.max = static_cast<float>(v);
        if (!read_integer(m, w.dec, &v) || v < 0 || v > 20) return -1;
        row.decimals = static_cast<std::uint16_t>(v);
        return 0;
    }
    return 0;
}

constexpr FamilyDesc kQ3815 = {
    .name = "Q3815",
    .tcp_port = 1470,
    .tcp_settle_ms = 1000,
    .dialect = &dialects::kAddressed,
    .number_format = NumberFormat::Digits,
    .max_rows = 20,
    .max_channels = 8,
    .board_rows = kBoardRows,
    .channel_rows = kChannelRows,
    .channel_name_format = "CH0%d",
    .status_mnemonic = "STAT",
    .power_rule = PowerRule::Bit0UnlessBit2,
    .row_settle_ms = 100,
    .hooks = {.fetch_limits = fetch_limits},
};

}  // namespace

}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps q3815_ops;
const FamilyOps q3815_ops = modules::make_family_ops<modules::kQ3815>();
}  // namespace zevahv
