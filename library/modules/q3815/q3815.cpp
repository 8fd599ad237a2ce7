// The Q3815 high-voltage module: a few independent channels, addressed
// commands, limits completed from the module at open, a current monitor
// with two ranges (IMonL is valid only in the low range, IMonH only in the
// high one), and power read through the status word.
#include <cstring>
#include <string>

#include "modules/family.h"
#include "modules/hv_rows.h"
#include "modules/limits.h"
#include "modules/module.h"
#include "modules/protocol.h"

namespace zevahv::modules {

namespace {

using namespace hv_rows;

constexpr Row kBoardRows[] = {
    kIlkStatRow,
    {.name = "Interlock", .mnemonic = "BDILKM", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "CLOSED", .proto_off = "OPEN", .on = "Closed", .off = "Open"},
    {.name = "Control", .mnemonic = "BDCTR", .type_mode = type_mode(kOnOff, kRead),
     .proto_on = "LOCAL", .proto_off = "REMOTE", .on = "Local", .off = "Remote"},
    {.name = "RTerm", .mnemonic = "BDTERM", .type_mode = type_mode(kOnOff, kRead),
     .proto_on = "ON", .proto_off = "OFF", .on = "On", .off = "Off"},
    {.name = "Alarm", .mnemonic = "BDALARM", .type_mode = type_mode(kBdStatus, kRead)},
    {.name = "ClrAlarm", .mnemonic = "BDCLR", .type_mode = type_mode(kOnOff, kWrite)},
};

// The current monitor comes twice, once per range.
constexpr Row current_monitor(const char (&name)[6], Role role) {
    Row r = {.mnemonic = "IMON", .type_mode = type_mode(kNumeric, kRead), .min = 0, .max = 5000,
             .decimals = 0, .idigits = 4, .ddigits = 2, .unit = kAmpere, .exp = kMicro,
             .role = role};
    for (int i = 0; i < 6; ++i) r.name[i] = name[i];
    return r;
}

constexpr Row kChannelRows[] = {
    kVSetRow,
    {.name = "VMon", .mnemonic = "VMON", .type_mode = type_mode(kNumeric, kRead),
     .min = 0, .max = 10000, .decimals = 1, .idigits = 4, .ddigits = 1, .unit = kVolt},
    kISetRow,
    kImonRangeRow,
    current_monitor("IMonL", Role::MonitorLow),
    current_monitor("IMonH", Role::MonitorHigh),
    kMaxVRow,
    kRUpRow,
    kRDwnRow,
    kTripRow,
    kPDwnRow,
    kPolarityRow,
    kChStatusRow,
    kPwRow,
};

// The words that complete a row's limits: minimum, maximum, decimals.
constexpr LimitWords kLimitWords[] = {
    {"VSET", "VMIN", "VMAX", "VDEC"},       {"ISET", "IMIN", "IMAX", "ISDEC"},
    {"MAXV", "MVMIN", "MVMAX", "MVDEC"},    {"RUP", "RUPMIN", "RUPMAX", "RUPDEC"},
    {"RDW", "RDWMIN", "RDWMAX", "RDWDEC"},  {"TRIP", "TRIPMIN", "TRIPMAX", "TRIPDEC"},
};

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
    return fetch_limit_words(m, row, kLimitWords);
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
