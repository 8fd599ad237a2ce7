// Q2906: sixteen-channel NIM amplifier and constant-fraction discriminator
// (slow shaping path with fine and coarse gain, an AUX path with its own
// gains, pile-up rejection, CFD and OR output), addressed command form on
// TCP port 23 or a serial line.  The module answers every state and every
// enumeration index as a number, and takes whole numbers for its settings.
#include <array>
#include <span>
#include <string_view>

#include "modules/amplifier.h"
#include "modules/family.h"
#include "modules/module.h"
#include "modules/row_variant.h"

namespace zevahv::modules {
namespace {

// The board settings are the twin Q2904/Q2906 ones (modules/amplifier.h).
constexpr auto &kBoardRows = kDiscriminatorBoardRows;

// The AUX coarse gain has a word of its own, AUXCGAIN, beside the AUX fine
// gain's AUXFGAIN (as the slow path has SLOWCGAIN beside SLOWFGAIN): sharing
// one word would make every coarse-gain setting overwrite the fine gain.
constexpr auto kChannelRows = std::to_array<Row>({
    {.name = "Name", .mnemonic = "NAME", .type_mode = type_mode(kText, kRead)},
    {.name = "Shape", .mnemonic = "SHAPE", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 2, .set_width = 1, .unit = ZEVAHV_PARAM_UN_SECOND, .exp = -9,
     .enums = {"200", "400", "800"}},
    {.name = "SlowFGain", .mnemonic = "SLOWFGAIN",
     .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 191, .set_width = 1},
    {.name = "AUXFFGain", .mnemonic = "AUXFGAIN",
     .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 191, .set_width = 1},
    {.name = "SlowCGain", .mnemonic = "SLOWCGAIN", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 3, .set_width = 1, .enums = {"1X", "4X", "16X", "64X"}},
    {.name = "AUXFCGain", .mnemonic = "AUXCGAIN", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 3, .set_width = 1, .enums = {"1X", "4X", "16X", "64X"}},
    {.name = "PUR", .mnemonic = "PUR", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "En", .off = "Dis"},
    {.name = "MuxOut", .mnemonic = "MUX", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 2, .set_width = 1,
     .enums = {"Disable", "Slow Enabled", "FAUX Enabled"}},
    {.name = "MuxSel", .mnemonic = "OUTSEL", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .enums = {"Fast Enabled", "AUX Enabled"}},
    {.name = "Threshold", .mnemonic = "THR", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 4000, .set_width = 1},
    {.name = "CFDDelEn", .mnemonic = "CFDED", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "En", .off = "Dis"},
    {.name = "CFDDelay", .mnemonic = "CFDDEL", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 31, .set_width = 1},
    {.name = "CFDWidth", .mnemonic = "CFDWDT", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 31, .set_width = 1},
    {.name = "ORWidth", .mnemonic = "ORWDT", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 31, .set_width = 1},
    {.name = "OR", .mnemonic = "OR", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "En", .off = "Dis"},
});

// The GE model names the third multiplexer output differently.
constexpr auto kGeChannelRows =
    with_enum_texts(kChannelRows, "MuxOut", {"Disable", "Slow Enabled", "FAUX Enable"});

std::span<const Row> channel_table(const Module &m) {
    if (m.model == "Q2906GE") return kGeChannelRows;
    return kChannelRows;
}

constexpr FamilyDesc kQ2906 =
    amplifier_family("Q2906", 23, kBoardRows, kChannelRows, channel_table);

}  // namespace
}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps q2906_ops = modules::make_family_ops<modules::kQ2906>();
}  // namespace zevahv
