// The sixteen-channel amplifier modules (Q2906, Q2904, P731X) are built
// alike: addressed command form, sixteen fixed channels (BDNCH is never
// asked), the serial number under SERNUM, channel names CH00..CH15, states
// and enumeration indexes on the wire as numbers, settings as whole numbers
// of the row's set width, up to 25 rows.  A family of them differs only in
// its name and model word, its TCP port, its tables and how it picks a
// table variant from the model name.
#pragma once

#include <array>
#include <span>

#include "modules/family.h"

namespace zevahv::modules {

// The board settings of the twin Q2904 and Q2906: the input offset and the
// multiplicity threshold.
inline constexpr auto kDiscriminatorBoardRows = std::to_array<Row>({
    {.name = "Offset", .mnemonic = "BDOFFSET",
     .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 255, .set_width = 1},
    {.name = "MultiThr", .mnemonic = "BDMULTITHR",
     .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 255, .set_width = 1},
});

constexpr FamilyDesc amplifier_family(const char *model_word, unsigned short tcp_port,
                                      std::span<const Row> board_rows,
                                      std::span<const Row> channel_rows,
                                      std::span<const Row> (*channel_table)(const Module &)) {
    return FamilyDesc{
        .name = model_word,
        .tcp_port = tcp_port,
        .number_format = NumberFormat::Width,
        .states_as_numbers = true,
        .max_rows = 25,
        .max_channels = 16,
        .board_rows = board_rows,
        .channel_rows = channel_rows,
        .ident = {.serial = "SERNUM"},
        .model_word = model_word,
        .fixed_channels = 16,
        .channel_name_format = "CH%02d",
        .hooks = {.channel_table = channel_table},
    };
}

}  // namespace zevahv::modules
