// The RD40XXE desktop high-voltage module: the Q3815's design on the
// unaddressed command form ("$CMD:..."), one current monitor, and a
// current-monitor range that only some models have.  Whether this one has
// it is asked at open (IMRANGE); without it the ImonRange row is left out
// and the range's own limit words (IMAXL, IMDECL) are not asked.
#include <algorithm>
#include <array>
#include <cstring>

#include "modules/family.h"
#include "modules/hv_rows.h"
#include "modules/limits.h"
#include "modules/module.h"
#include "modules/row_variant.h"

namespace zevahv::modules {

namespace {

using namespace hv_rows;

constexpr Row kBoardRows[] = {
    kIlkStatRow,
    {.name = "BdAlarm", .mnemonic = "BDALARM", .type_mode = type_mode(kBdStatus, kRead)},
    // Listed as "ClearAlar" in the 10-byte name fields, found under both.
    {.name = "ClearAlarm", .mnemonic = "BDCLR", .type_mode = type_mode(kOnOff, kWrite)},
};

constexpr auto kWithRange = std::to_array<Row>({
    kVSetRow,
    {.name = "VMon", .mnemonic = "VMON", .type_mode = type_mode(kNumeric, kRead), .min = 0,
     .max = 0, .decimals = 1, .idigits = 4, .ddigits = 1, .unit = kVolt},
    kISetRow,
    {.name = "IMon", .mnemonic = "IMON", .type_mode = type_mode(kNumeric, kRead), .min = 0,
     .max = 0, .decimals = 0, .idigits = 4, .ddigits = 2, .unit = kAmpere, .exp = kMicro},
    kImonRangeRow,
    kMaxVRow,
    kRUpRow,
    kRDwnRow,
    kTripRow,
    kPDwnRow,
    kPolarityRow,
    kChStatusRow,
    kPwRow,
});
constexpr auto kWithoutRange = without_row(kWithRange, "ImonRange");

// family_flags: the module answered IMRANGE at open.
constexpr unsigned kHasRange = 1u;
bool has_range(const Module &m) { return (m.family_flags & kHasRange) != 0; }

// The words that complete a row: minimum, maximum, decimals.  With a range
// the current rows have a second word each (below).
constexpr LimitWords kLimitWords[] = {
    {"VSET", "VMIN", "VMAX", "VSDEC"},     {"VMON", nullptr, nullptr, "VMDEC"},
    {"ISET", "IMIN", "IMAXH", "ISDEC"},    {"IMON", nullptr, nullptr, "IMDECH"},
    {"MAXV", "MVMIN", "MVMAX", "MVDEC"},   {"RUP", "RUPMIN", "RUPMAX", "RUPDEC"},
    {"RDW", "RDWMIN", "RDWMAX", "RDWDEC"}, {"TRIP", "TRIPMIN", "TRIPMAX", "TRIPDEC"},
};

int identify(Module &m) {
    if (int rc = standard_identify(m)) return rc;
    // A module without the range refuses the word.
    std::string range;
    if (monitor(m, "IMRANGE", 0, &range) == 0) m.family_flags |= kHasRange;
    return 0;
}

std::span<const Row> channel_table(const Module &m) {
    if (has_range(m)) return kWithRange;
    return kWithoutRange;
}

int fetch_limits(Module &m, Row &row) {
    if (int rc = fetch_limit_words(m, row, kLimitWords)) return rc;
    if (!has_range(m)) return 0;
    long low = 0;
    // The current rows span both ranges: the larger of the two ranges'
    // values holds.  A maximum the module does not give stays as it was;
    // the low range's decimals it must give.
    if (std::strcmp(row.mnemonic, "ISET") == 0 && read_integer(m, "IMAXL", &low))
        row.max = std::max(row.max, static_cast<float>(low));
    if (std::strcmp(row.mnemonic, "IMON") == 0) {
        std::uint16_t dec = 0;
        if (!read_integer(m, "IMDECL", &low) || !decimals_of(low, &dec)) return -1;
        row.decimals = std::max(row.decimals, dec);
    }
    return 0;
}

constexpr FamilyDesc kRd40xxe = {
    .name = "RD40XXE",
    .tcp_port = 23,
    .arg_form = ArgForm::PortSettings,
    .tcp_settle_ms = 1000,
    .dialect = &dialects::kUnaddressed,
    .number_format = NumberFormat::Digits,
    .max_rows = 16,
    .board_rows = kBoardRows,
    .channel_rows = kWithRange,
    .power_rule = PowerRule::Bit0UnlessBit2,
    .row_settle_ms = 100,
    .hooks = {.identify = identify, .channel_table = channel_table, .fetch_limits = fetch_limits},
};

}  // namespace

}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps rd40xxe_ops;
const FamilyOps rd40xxe_ops = modules::make_family_ops<modules::kRd40xxe>();
}  // namespace zevahv
