// The W7300 crate power supply: crate values (temperatures, fans, primary
// voltage, network settings, crate power, reset and alarm clear) are its
// board parameters, its outputs the channels.  Unaddressed command form, the
// serial port given by its number.  Its limits are not fetched at open: the
// channel limits ("Minval", "Maxval") and set resolutions ("Resol") are read
// from the crate when a client asks for them, and the crate parameters
// answer only their type, mode and state texts.
#include <cstring>
#include <string>

#include "frame/fields.h"
#include "modules/family.h"
#include "modules/module.h"

namespace zevahv::modules {

namespace {

constexpr std::int8_t kVolt = ZEVAHV_PARAM_UN_VOLT;
constexpr std::int8_t kAmpere = ZEVAHV_PARAM_UN_AMPERE;
constexpr std::int8_t kCelsius = ZEVAHV_PARAM_UN_CELSIUS;
constexpr std::int8_t kRpm = ZEVAHV_PARAM_UN_RPM;
constexpr std::int8_t kBit = ZEVAHV_PARAM_UN_BIT;

// A crate row: a number (in its unit) or a text, by name and word.
template <std::size_t N, std::size_t W>
constexpr Row number(const char (&name)[N], const char (&word)[W], unsigned mode,
                     std::int8_t unit = ZEVAHV_PARAM_UN_NONE) {
    static_assert(N <= kRowNameSize && W <= kMnemonicSize);
    Row r{};
    for (std::size_t i = 0; i < N; ++i) r.name[i] = name[i];
    for (std::size_t i = 0; i < W; ++i) r.mnemonic[i] = word[i];
    r.type_mode = type_mode(kNumeric, mode);
    r.unit = unit;
    return r;
}

template <std::size_t N, std::size_t W>
constexpr Row text(const char (&name)[N], const char (&word)[W]) {
    Row r = number(name, word, kRead);
    r.type_mode = type_mode(kText, kRead);
    return r;
}

constexpr Row kBoardRows[] = {
    number("Temp", "PSTEMP", kRead, kCelsius),
    number("FanSpeed", "FANSP", kReadWrite),
    number("Fan1", "FAN1", kRead, kRpm),
    number("Fan2", "FAN2", kRead, kRpm),
    number("Fan3", "FAN3", kRead, kRpm),
    text("FUFwRel", "FUFREL"),
    number("FUTemp", "FUTEMP", kRead, kCelsius),
    number("FUSerNum", "FUSNUM", kRead),
    {.name = "CrStat", .mnemonic = "CRST", .type_mode = type_mode(kBdStatus, kRead)},
    number("VPMax", "VPMAX", kRead, kVolt),
    number("VPMin", "VPMIN", kRead, kVolt),
    number("RS232BR", "RS232BR", kRead),
    number("CANBR", "CANBR", kRead, kBit),
    number("CANAddr", "CANADD", kRead),
    text("IPAddr", "IPADD"),
    text("IPMsk", "IPMSK"),
    text("IPGtw", "IPGTW"),
    text("MACAddr", "MACADD"),
    // Read as "On"/"Off", switched with the bare words ON and OFF.
    {.name = "Pw", .mnemonic = "Pw", .type_mode = type_mode(kOnOff, kReadWrite),
     .proto_on = "On", .proto_off = "Off", .on = "On", .off = "Off", .role = Role::Switch},
    // Commands (ZEVAHV_ExecComm): bare words, sent only for a non-zero value.
    number("SysRes", "SYSR", kWrite),
    number("ClrAlrm", "CLR", kWrite),
};

constexpr Row kChannelRows[] = {
    {.name = "Name", .mnemonic = "NAME", .type_mode = type_mode(kText, kReadWrite)},
    {.name = "VSet", .mnemonic = "VSET", .type_mode = type_mode(kNumeric, kReadWrite),
     .idigits = 2, .ddigits = 2, .unit = kVolt},
    {.name = "VMon", .mnemonic = "VMON", .type_mode = type_mode(kNumeric, kRead), .idigits = 2,
     .ddigits = 0, .unit = kVolt},
    {.name = "ISet", .mnemonic = "ISET", .type_mode = type_mode(kNumeric, kReadWrite),
     .idigits = 3, .ddigits = 1, .unit = kAmpere},
    {.name = "IMon", .mnemonic = "IMON", .type_mode = type_mode(kNumeric, kRead), .idigits = 3,
     .ddigits = 0, .unit = kAmpere},
    {.name = "Ovp", .mnemonic = "OVP", .type_mode = type_mode(kNumeric, kRead), .idigits = 2},
    {.name = "Uvp", .mnemonic = "UVP", .type_mode = type_mode(kNumeric, kRead), .idigits = 2},
    {.name = "Status", .mnemonic = "STAT", .type_mode = type_mode(kChStatus, kRead)},
};

// The words a channel row's call-time properties are read with.
struct CallTimeWords {
    const char *row;
    const char *min, *max;  // "Minval", "Maxval"
    const char *resol;      // "Resol"; null: not answered
};
constexpr CallTimeWords kCallTimeWords[] = {
    {"VSet", "VMIN", "VMAX", "VRES"},
    {"VMon", "VMIN", "VMAX", nullptr},
    {"ISet", "IMIN", "IMAX", "IRES"},
    {"IMon", "IMIN", "IMAX", nullptr},
};

const CallTimeWords *call_time_words(const Row &row) {
    for (const CallTimeWords &w : kCallTimeWords)
        if (std::strcmp(row.name, w.row) == 0) return &w;
    return nullptr;
}

int crate_property(const Row &row, std::string_view prop) {
    if (prop == "Type" || prop == "Mode") return kStandardProperty;
    if (prop == "Onstate") return row.on[0] ? kStandardProperty : ZEVAHV_ERR_PARAMPROPNOTFOUND;
    if (prop == "Offstate") return row.off[0] ? kStandardProperty : ZEVAHV_ERR_PARAMPROPNOTFOUND;
    return ZEVAHV_ERR_PARAMPROPNOTFOUND;
}

int property(Module &m, int index, int channel, std::string_view prop, void *value) {
    const Row &row = m.rows[static_cast<std::size_t>(index)];
    if (channel < 0) return crate_property(row, prop);
    if (prop == "Type" || prop == "Mode" || prop == "Unit" || prop == "Exp")
        return kStandardProperty;
    const CallTimeWords *w = call_time_words(row);
    std::string text;
    if (prop == "Minval" || prop == "Maxval") {
        if (!w) return ZEVAHV_ERR_PARAMPROPNOTFOUND;
        float v = 0;
        if (monitor(m, prop == "Minval" ? w->min : w->max, channel, &text) ||
            !parse_float(text, &v))
            return ZEVAHV_ERR_READ;
        std::memcpy(value, &v, sizeof v);
        return ZEVAHV_OK;
    }
    if (prop == "Resol") {
        long v = 0;
        if (!w || !w->resol || monitor(m, w->resol, channel, &text) || !parse_int(text, &v) ||
            v < 0 || v > 0xffff)
            return ZEVAHV_ERR_PARAMPROPNOTFOUND;
        const auto resol = static_cast<unsigned short>(v);
        std::memcpy(value, &resol, sizeof resol);
        return ZEVAHV_OK;
    }
    // No "Decimal" (the crate gives its resolution instead), no state texts.
    return ZEVAHV_ERR_PARAMPROPNOTFOUND;
}

constexpr FamilyDesc kW7300 = {
    .name = "W7300",
    .tcp_port = 8100,
    .arg_form = ArgForm::ComNumberSettings,
    .dialect = &dialects::kUnaddressed,
    .number_format = NumberFormat::Digits,
    .max_rows = 32,
    .max_channels = kMaxChannels,
    .board_rows = kBoardRows,
    .channel_rows = kChannelRows,
    .ident = {.model = "CRNAME", .channels = "NUMCH", .release = "PSFREL", .serial = "PSSNUM"},
    .hooks = {.property = property},
};

}  // namespace

}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps w7300_ops;
const FamilyOps w7300_ops = modules::make_family_ops<modules::kW7300>();
}  // namespace zevahv
