// P731X: sixteen-channel NIM spectroscopy amplifier (coarse and fine gain,
// shaping time, output configuration and polarity, pole-zero adjustment, a
// multiplexed monitor output), addressed command form on TCP port 568 or a
// serial line.  Built like the Q2906 and Q2904: states and enumeration
// indexes travel as numbers, settings as whole numbers of a fixed width
// ("%03.0f" for the fine gain).
#include <array>
#include <span>
#include <string_view>

#include "modules/amplifier.h"
#include "modules/family.h"
#include "modules/module.h"
#include "modules/row_variant.h"

namespace zevahv::modules {
namespace {

constexpr auto kBoardRows = std::to_array<Row>({
    {.name = "Offset", .mnemonic = "OFFSET", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 255, .set_width = 3},
    {.name = "MuxOut", .mnemonic = "MUXEN", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "En", .off = "Dis"},
    {.name = "LastCh", .mnemonic = "LASTCH", .type_mode = type_mode(kNumeric, kRead),
     .min = 0, .max = 15, .set_width = 2},
});

// Shape's texts are those of the standard model; the models whose shaping
// times differ get theirs below.
constexpr auto kChannelRows = std::to_array<Row>({
    {.name = "Name", .mnemonic = "NAME", .type_mode = type_mode(kText, kRead)},
    {.name = "CoarGain", .mnemonic = "CGAIN", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 7, .set_width = 1,
     .enums = {"1", "2", "4", "8", "16", "32", "64", "128"}},
    {.name = "FineGain", .mnemonic = "FGAIN", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 255, .set_width = 3},
    {.name = "Shape", .mnemonic = "SHAPE", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 3, .set_width = 1, .unit = ZEVAHV_PARAM_UN_SECOND, .exp = -6,
     .enums = {"0.2", "1", "3", "6"}},
    {.name = "OutConf", .mnemonic = "CONF", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "Inv", .off = "Dir"},
    {.name = "OutPol", .mnemonic = "POL", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "Neg", .off = "Pos"},
    {.name = "PoleZAdj", .mnemonic = "PZADJ", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 255, .set_width = 3},
});

constexpr auto kBbChannelRows = with_enum_texts(kChannelRows, "Shape", {"0.2", "1", "3", "0.1"});
constexpr auto kBcChannelRows = with_enum_texts(kChannelRows, "Shape", {"0.2", "1", "2", "6"});

// The shaping times follow the model: its name's first seven characters.
std::span<const Row> channel_table(const Module &m) {
    std::string_view model(m.model);
    if (model.starts_with("P731XBB")) return kBbChannelRows;
    if (model.starts_with("P731XBC") || model.starts_with("P731XBD")) return kBcChannelRows;
    return kChannelRows;
}

constexpr FamilyDesc kP731X =
    amplifier_family("P731X", 568, kBoardRows, kChannelRows, channel_table);

}  // namespace
}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps p731x_ops = modules::make_family_ops<modules::kP731X>();
}  // namespace zevahv
