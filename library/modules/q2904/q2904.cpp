// Q2904: sixteen-channel NIM spectroscopy and timing amplifier with a
// constant-fraction discriminator (input polarity, shaping time, coarse and
// fine gain, pole-zero, timing-filter gain and time constants, CFD, OR
// output, pile-up rejection), addressed command form on TCP port 23 or a
// serial line.  Like the Q2906 it answers states and enumeration indexes as
// numbers and takes whole numbers for its settings.
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

// OROut names its states the other way round from the other switches:
// state 1 is "Dis", state 0 "En".
constexpr auto kChannelRows = std::to_array<Row>({
    {.name = "Name", .mnemonic = "NAME", .type_mode = type_mode(kText, kRead)},
    {.name = "MuxOut", .mnemonic = "MUX", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 2, .set_width = 1,
     .enums = {"Disable", "Energy Enabled", "Timing Enabled"}},
    {.name = "InPol", .mnemonic = "POL", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "Neg", .off = "Pos"},
    {.name = "Shape", .mnemonic = "SHAPE", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 4, .set_width = 1, .unit = ZEVAHV_PARAM_UN_SECOND, .exp = -6,
     .enums = {"0.5", "1", "2", "4", "0.5 Fast"}},
    {.name = "CoarsGain", .mnemonic = "CGAIN", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 7, .set_width = 1,
     .enums = {"2", "4", "8", "16", "32", "64", "128", "256"}},
    {.name = "FineGain", .mnemonic = "FGAIN", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 127, .set_width = 1},
    {.name = "PoleZAdj", .mnemonic = "PZADJ", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 255, .set_width = 1},
    {.name = "TGain", .mnemonic = "TGAIN", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .enums = {"1X", "4X"}},
    {.name = "TInt", .mnemonic = "TINT", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .unit = ZEVAHV_PARAM_UN_SECOND, .exp = -9,
     .enums = {"20", "80"}},
    {.name = "TDiff", .mnemonic = "TDIFF", .type_mode = type_mode(kEnum, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .unit = ZEVAHV_PARAM_UN_SECOND, .exp = -9,
     .enums = {"100", "500"}},
    {.name = "OffsetAdj", .mnemonic = "OFFADJTST",
     .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 65535, .set_width = 1},
    {.name = "Threshold", .mnemonic = "THR", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 4095, .set_width = 1},
    {.name = "CFDDelEn", .mnemonic = "CFDED", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "En", .off = "Dis"},
    {.name = "CFDDelay", .mnemonic = "CFDDEL", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 31, .set_width = 1},
    {.name = "CFDWidth", .mnemonic = "CFDWDT", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 31, .set_width = 1},
    {.name = "OROut", .mnemonic = "OR", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "Dis", .off = "En"},
    {.name = "ORWidth", .mnemonic = "ORWDT", .type_mode = type_mode(kNumeric, kReadWrite),
     .min = 0, .max = 31, .set_width = 1},
    {.name = "PUR", .mnemonic = "PUR", .type_mode = type_mode(kOnOff, kReadWrite),
     .min = 0, .max = 1, .set_width = 1, .on = "En", .off = "Dis"},
});

// The GE model has other shaping times.
constexpr auto kGeChannelRows =
    with_enum_texts(kChannelRows, "Shape", {"1", "4", "8", "16", "1 Fast"});

std::span<const Row> channel_table(const Module &m) {
    if (m.model == "Q2904GE") return kGeChannelRows;
    return kChannelRows;
}

constexpr FamilyDesc kQ2904 =
    amplifier_family("Q2904", 23, kBoardRows, kChannelRows, channel_table);

}  // namespace
}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps q2904_ops = modules::make_family_ops<modules::kQ2904>();
}  // namespace zevahv
