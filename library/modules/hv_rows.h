// Rows that the high-voltage module families (Q3815 and the RD40XXE built
// on its design) share word for word.  A family's table names them beside
// its own rows.
#pragma once

#include "ZEVAHVLink.h"
#include "modules/row.h"

namespace zevahv::modules::hv_rows {

inline constexpr std::int8_t kAmpere = ZEVAHV_PARAM_UN_AMPERE;
inline constexpr std::int8_t kVolt = ZEVAHV_PARAM_UN_VOLT;
inline constexpr std::int8_t kVps = ZEVAHV_PARAM_UN_VPS;
inline constexpr std::int8_t kSecond = ZEVAHV_PARAM_UN_SECOND;
inline constexpr std::int8_t kMicro = -6;

// Board.
inline constexpr Row kIlkStatRow = {.name = "IlkStat", .mnemonic = "BDILK",
                                 .type_mode = type_mode(kOnOff, kRead),
                                 .proto_on = "YES", .proto_off = "NO", .on = "Yes", .off = "No"};

// Channels.
inline constexpr Row kVSetRow = {.name = "VSet", .mnemonic = "VSET",
                              .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 8000,
                              .decimals = 1, .idigits = 4, .ddigits = 1, .unit = kVolt};
inline constexpr Row kISetRow = {.name = "ISet", .mnemonic = "ISET",
                              .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 3000,
                              .decimals = 0, .idigits = 4, .ddigits = 2, .unit = kAmpere,
                              .exp = kMicro};
inline constexpr Row kImonRangeRow = {.name = "ImonRange", .mnemonic = "IMRANGE",
                                   .type_mode = type_mode(kOnOff, kReadWrite),
                                   .proto_on = "LOW", .proto_off = "HIGH", .on = "Low",
                                   .off = "Hi", .role = Role::RangeSwitch};
inline constexpr Row kMaxVRow = {.name = "MaxV", .mnemonic = "MAXV",
                              .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 8100,
                              .decimals = 0, .idigits = 4, .ddigits = 0, .unit = kVolt};
inline constexpr Row kRUpRow = {.name = "RUp", .mnemonic = "RUP",
                             .type_mode = type_mode(kNumeric, kReadWrite), .min = 1, .max = 500,
                             .decimals = 0, .idigits = 3, .ddigits = 0, .unit = kVps};
inline constexpr Row kRDwnRow = {.name = "RDwn", .mnemonic = "RDW",
                              .type_mode = type_mode(kNumeric, kReadWrite), .min = 1, .max = 500,
                              .decimals = 0, .idigits = 3, .ddigits = 0, .unit = kVps};
inline constexpr Row kTripRow = {.name = "Trip", .mnemonic = "TRIP",
                              .type_mode = type_mode(kNumeric, kReadWrite), .min = 0, .max = 1000,
                              .decimals = 0, .idigits = 4, .ddigits = 1, .unit = kSecond};
inline constexpr Row kPDwnRow = {.name = "PDwn", .mnemonic = "PDWN",
                              .type_mode = type_mode(kOnOff, kReadWrite), .proto_on = "RAMP",
                              .proto_off = "KILL", .on = "Ramp", .off = "Kill"};
inline constexpr Row kPolarityRow = {.name = "Polarity", .mnemonic = "POL",
                                  .type_mode = type_mode(kOnOff, kRead), .proto_on = "-",
                                  .proto_off = "+", .on = "-", .off = "+"};
inline constexpr Row kChStatusRow = {.name = "ChStatus", .mnemonic = "STAT",
                                  .type_mode = type_mode(kChStatus, kRead)};
// Power: read through the status word, switched with "ON" and "OFF".
inline constexpr Row kPwRow = {.name = "Pw", .mnemonic = "Pw",
                            .type_mode = type_mode(kOnOff, kReadWrite), .proto_on = "ON",
                            .proto_off = "OFF", .on = "On", .off = "Off", .role = Role::Power};

}  // namespace zevahv::modules::hv_rows
