// What a LUMENHV module's list and description replies become: names,
// descriptions, and the rows made of them, including the replies the
// library leaves out or refuses.
#include <gtest/gtest.h>

#include <string>

#include "modules/family.h"
#include "modules/lumenhv/description.h"

using namespace zevahv::modules;
using namespace zevahv::modules::lumenhv;

TEST(LumenhvDescription, NameListsDropEmptyNamesAndKeepTheRestInOrder) {
    EXPECT_TRUE(parse_name_list("").empty());
    EXPECT_TRUE(parse_name_list(";;").empty());
    const auto names = parse_name_list("Temp;;BdIlk;");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "Temp");
    EXPECT_EQ(names[1], "BdIlk");
    const std::string long_name(300, 'A');
    EXPECT_EQ(parse_name_list(long_name)[0].size(), kListedNameMax);
    EXPECT_TRUE(sendable_name("VSet"));
    for (const char *bad : {"", "V Set", "V,Set", "V:Set", "V;Set", "V\rSet"})
        EXPECT_FALSE(sendable_name(bad)) << bad;
}

TEST(LumenhvDescription, NineSeparatorsAndNumbersWhereTheFieldsNeedThem) {
    Description d;
    ASSERT_TRUE(parse_description("0;2;0;3000;1;;volt;;;", &d));
    EXPECT_EQ(d.type, 0);
    EXPECT_EQ(d.mode, 2);
    EXPECT_EQ(d.max, 3000);
    EXPECT_EQ(d.decimals, 1);
    EXPECT_EQ(d.small, 1) << "an empty sixth field is 1";
    EXPECT_EQ(d.unit, ZEVAHV_PARAM_UN_VOLT);
    ASSERT_TRUE(parse_description("1;2;0;1;0;4;;RAMP;KILL;", &d));
    EXPECT_EQ(d.small, 4);
    EXPECT_EQ(d.on, "RAMP");
    EXPECT_EQ(d.off, "KILL");
    EXPECT_EQ(d.unit, 0);
    ASSERT_TRUE(parse_description("0;0;-0.5;2.5;2;;vps;;;", &d));
    EXPECT_EQ(d.min, -0.5);
    EXPECT_EQ(d.unit, ZEVAHV_PARAM_UN_VPS);

    for (const char *bad : {"0;2;0;3000;1;;volt;;", "0;2;0;3000;1;;volt;;;;", "", "x;2;0;1;1;;;;;",
                            "0;2;0;1,5;1;;;;;", "0;2;;1;1;;;;;", "0;2;0;1;1;one;;;;",
                            "0;2;0;inf;1;;;;;"})
        EXPECT_FALSE(parse_description(bad, &d)) << bad;
    for (std::string_view unit : {"ampere", "volt", "watt", "celsius", "hertz", "bar", "vps",
                                  "second", "rpm", "count", "bit"})
        EXPECT_GT(unit_code(unit), 0) << unit;
    EXPECT_EQ(unit_code("Volt"), 0);
    EXPECT_EQ(unit_code("furlong"), 0);
}

TEST(LumenhvDescription, RowsTakeTheNameTheDigitsAndTheTextsOrAreLeftOut) {
    Description d;
    Row row;
    ASSERT_TRUE(parse_description("0;2;0;8000;1;;volt;;;", &d));
    ASSERT_TRUE(row_from_description("VoltageSetPointOfChannel", d, &row));
    EXPECT_STREQ(row.name, "VoltageSetPoint");
    EXPECT_STREQ(row.mnemonic, "VoltageSetPointOfChannel");
    EXPECT_EQ(row.idigits, 4);
    EXPECT_EQ(row.ddigits, 1);
    EXPECT_EQ(row.decimals, 1);
    EXPECT_EQ(row_mode(row), kReadWrite);
    EXPECT_EQ(row.role, Role::Plain) << "written with its value whatever its mode";

    ASSERT_TRUE(parse_description("0;0;0;0.5;3;;;;;", &d));
    ASSERT_TRUE(row_from_description("Small", d, &row));
    EXPECT_EQ(row.idigits, 1);
    ASSERT_TRUE(parse_description("7;1;0;0;0;;;;;", &d));
    ASSERT_TRUE(row_from_description("Reset", d, &row));
    EXPECT_EQ(row.role, Role::None) << "a command is a bare word";
    ASSERT_TRUE(parse_description("1;1;0;1;0;;;YES;NO;", &d));
    ASSERT_TRUE(row_from_description("ClearAlarm", d, &row));
    EXPECT_STREQ(row.proto_on, "YES");
    EXPECT_STREQ(row.on, "YES");

    // Left out: what the library cannot carry.
    for (const char *bad : {"8;0;0;1;0;;;;;", "0;3;0;1;0;;;;;", "0;0;0;1e300;1;;;;;",
                            "0;0;10;-10;1;;;;;", "0;0;0;1;21;;;;;", "-1;0;0;1;0;;;;;"}) {
        ASSERT_TRUE(parse_description(bad, &d)) << bad;
        EXPECT_FALSE(row_from_description("X", d, &row)) << bad;
    }
    ASSERT_TRUE(parse_description(("1;2;0;1;0;;;" + std::string(64, 'o') + ";off;").c_str(), &d));
    EXPECT_FALSE(row_from_description("Pw", d, &row)) << "a state text longer than its field";
    ASSERT_TRUE(parse_description("0;0;0;1;0;;;;;", &d));
    EXPECT_FALSE(row_from_description("Bad Name", d, &row));
}

// The built-in tables: names up to 15 characters, told apart by the 9 the
// lists show.
constexpr Row kNamed[] = {{.name = "ClearAlarm"}, {.name = "VSet"}};
constexpr Row kClash[] = {{.name = "VoltageSetA"}, {.name = "VoltageSetB"}};
constexpr Row kTwice[] = {{.name = "VSet"}};
constexpr Row kLong[] = {{.name = "ABCDEFGHIJKLMNO"}};
static_assert(names_fit_lists(kNamed, {}));
static_assert(names_fit_lists(kLong, kNamed));
static_assert(!names_fit_lists(kClash, {}));
static_assert(!names_fit_lists(kTwice, kNamed));
