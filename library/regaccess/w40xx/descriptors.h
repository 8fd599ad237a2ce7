// The parameter descriptor area of a W40XX board, turned into rows.
//
// The area is 1024 bytes (512 registers from 0x4000, each register's low
// byte first): 32 descriptors of 32 bytes, the list ending at the first
// descriptor whose name starts with 0.
//
//   bytes 0-9    name, NUL-padded
//   byte  10     bits 0-2 value type, bit 3 two registers (the high half at
//                the next register), bits 5-6 access (00 read-only, 01
//                read-write, 10 command), bit 7 signed
//   byte  11     register offset r (signed)
//   bytes 12-17  minimum, maximum, scale (raw = shown x scale), 16 bits each
//   byte  18     unit code
//   byte  19     power-of-ten exponent, stored negated (micro is 6)
//
// Pure functions over bytes: nothing here trusts the board.  A descriptor
// that cannot be used is left out (a name without its NUL, a name with
// characters that are not printable, a name seen before, access bits 11);
// a scale of 0 shows the raw value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "regaccess/row.h"

namespace zevahv::regaccess::w40xx {

inline constexpr unsigned kAreaAddress = 0x4000;
inline constexpr std::size_t kAreaSize = 1024;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::size_t kMaxDescriptors = kAreaSize / kDescriptorSize;  // 32

struct Descriptor {
    std::size_t index;   // position in the area: the bit of the mask entries
    Row row;
};

// The usable descriptors of an area (a shorter span is read as if padded
// with zeros).
std::vector<Descriptor> parse_descriptor_area(std::span<const std::uint8_t> area);

// The rows (indices into descriptors) that a mask entry names.  Rows whose
// register would lie below the board's first register are left out of the
// board's entry.
std::vector<int> applicable_rows(std::uint32_t mask, const std::vector<Descriptor> &descriptors,
                                 bool board);

}  // namespace zevahv::regaccess::w40xx
