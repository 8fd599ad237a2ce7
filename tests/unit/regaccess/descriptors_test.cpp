// The W40XX descriptor area: rows, name rules, limits, and what a board
// may get wrong.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "ZEVAHVLink.h"
#include "regaccess/w40xx/descriptors.h"

using namespace zevahv::regaccess;
using namespace zevahv::regaccess::w40xx;

namespace {

struct Desc {
    const char *name;
    std::uint8_t type_mode = 0;
    std::int8_t offset = 0;
    std::uint16_t min = 0, max = 0, scale = 1;
    std::uint8_t unit = 0;
    std::int8_t stored_exp = 0;
};

using Area = std::array<std::uint8_t, kAreaSize>;

void put(Area &area, std::size_t j, const Desc &s, std::size_t name_len = SIZE_MAX) {
    std::uint8_t *d = area.data() + j * kDescriptorSize;
    std::memset(d, 0, kDescriptorSize);
    std::memcpy(d, s.name, std::min(std::strlen(s.name), name_len));
    d[10] = s.type_mode;
    d[11] = static_cast<std::uint8_t>(s.offset);
    d[12] = s.min & 0xFF, d[13] = s.min >> 8;
    d[14] = s.max & 0xFF, d[15] = s.max >> 8;
    d[16] = s.scale & 0xFF, d[17] = s.scale >> 8;
    d[18] = s.unit;
    d[19] = static_cast<std::uint8_t>(s.stored_exp);
}

TEST(Descriptors, RowsCarryTypeAccessLimitsUnitsAndDecimals) {
    Area area{};
    put(area, 0, {"VSet", 0x20, 0x00, 0, 40000, 10, ZEVAHV_PARAM_UN_VOLT, 0});
    put(area, 1, {"IMon", 0x80 | 0x08, 0x06, 15, 65535, 100, ZEVAHV_PARAM_UN_AMPERE, 6});
    put(area, 2, {"Kill", 0x40 | 7, 0x02});
    const auto rows = parse_descriptor_area(area);
    ASSERT_EQ(rows.size(), 3u);

    const Row &vset = rows[0].row;
    EXPECT_EQ(vset.name, "VSet");
    EXPECT_EQ(vset.mode, unsigned(ZEVAHV_PARAM_MODE_RDWR));
    EXPECT_EQ(vset.decimals, 1);
    EXPECT_FLOAT_EQ(vset.max, 4000.0f);

    const Row &imon = rows[1].row;
    EXPECT_EQ(imon.mode, unsigned(ZEVAHV_PARAM_MODE_RDONLY));
    EXPECT_TRUE(imon.wide);
    EXPECT_TRUE(imon.is_signed);
    EXPECT_EQ(imon.exp, -6) << "the exponent is stored negated";
    EXPECT_EQ(imon.decimals, 2);
    EXPECT_FLOAT_EQ(imon.min, 0.0f) << "limits are whole shown units: 15 / 100 is 0";
    EXPECT_FLOAT_EQ(imon.max, 655.0f);

    const Row &kill = rows[2].row;
    EXPECT_TRUE(kill.command);
    EXPECT_EQ(kill.mode, unsigned(ZEVAHV_PARAM_MODE_WRONLY));
}

TEST(Descriptors, TheListEndsAtTheFirstEmptyNameOrAtThirtyTwo) {
    Area area{};
    EXPECT_TRUE(parse_descriptor_area(area).empty()) << "a board that starts with 0 has no parameters";

    put(area, 0, {"A"});
    put(area, 2, {"C"});  // after the end marker at 1
    EXPECT_EQ(parse_descriptor_area(area).size(), 1u);

    // Every descriptor in use: 32 rows, and nothing read beyond the area.
    for (std::size_t j = 0; j < kMaxDescriptors; ++j) {
        std::string name = "P" + std::to_string(j);
        put(area, j, {name.c_str()});
    }
    EXPECT_EQ(parse_descriptor_area(area).size(), kMaxDescriptors);
    // A short area reads as padded with zeros.
    EXPECT_EQ(parse_descriptor_area(std::span(area.data(), 32)).size(), 1u);
}

TEST(Descriptors, UnusableDescriptorsAreLeftOutAndKeepTheirMaskBit) {
    Area area{};
    put(area, 0, {"LongName10"}, 10);             // no NUL in its 10 bytes
    put(area, 1, {"Tab\tName"});                  // not printable
    put(area, 2, {"VSet", 0x20});
    put(area, 3, {"VSet", 0x00});                 // the same name again
    put(area, 4, {"Odd", 0x60});                  // access bits 11
    put(area, 5, {"Raw", 0x20, 0, 7, 900, 0});    // scale 0: the raw value is shown
    const auto rows = parse_descriptor_area(area);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].row.name, "VSet");
    EXPECT_EQ(rows[0].index, 2u);
    EXPECT_EQ(rows[1].row.name, "Raw");
    EXPECT_EQ(rows[1].row.decimals, 0);
    EXPECT_FLOAT_EQ(rows[1].row.max, 900.0f);

    // Bit 2 names VSet; bits of left-out or absent descriptors name nothing.
    EXPECT_EQ(applicable_rows(0xFFFFFFFFu, rows, false), (std::vector<int>{0, 1}));
    EXPECT_EQ(applicable_rows(1u << 2, rows, false), (std::vector<int>{0}));
    EXPECT_TRUE(applicable_rows(1u << 0 | 1u << 31, rows, false).empty());
}

TEST(Descriptors, ABoardRowBelowTheFirstRegisterIsNotTheBoards) {
    Area area{};
    put(area, 0, {"Temp", 0x00, -2});
    put(area, 1, {"VSet", 0x20, -2});
    const auto rows = parse_descriptor_area(area);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(applicable_rows(0x3, rows, true).empty());
    EXPECT_EQ(applicable_rows(0x3, rows, false).size(), 2u) << "a channel's block lies above";
}

}  // namespace
