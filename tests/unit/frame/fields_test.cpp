// Texts taken apart: fields and the decimal numbers read from them.
#include <gtest/gtest.h>

#include "frame/fields.h"

using namespace zevahv;

TEST(TextFields, FieldsSplitIntoAtMostTheCountAsked) {
    auto v = split_fields("1;2;3;4", ';', 4);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[3], "4");
    v = split_fields("1;2;3;4;5;6", ';', 4);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[3], "4");
    v = split_fields("1;2", ';', 4);
    EXPECT_EQ(v.size(), 2u);
    v = split_fields("", ';', 4);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0], "");
}

TEST(TextFields, EmptyFieldsCount) {
    EXPECT_EQ(split_fields("a::b", ':').size(), 3u);
    EXPECT_EQ(split_fields("a:", ':').size(), 2u);
    EXPECT_EQ(split_fields("COM3_9600", '_')[1], "9600");
}

TEST(TextFields, NumbersFromOutsideAreParsedStrictly) {
    float f = -1;
    EXPECT_TRUE(parse_float("0100.2", &f));
    EXPECT_FLOAT_EQ(f, 100.2f);
    EXPECT_TRUE(parse_float(" +5 ", &f));
    EXPECT_FLOAT_EQ(f, 5.0f);
    EXPECT_TRUE(parse_float("-1e3", &f));
    EXPECT_FLOAT_EQ(f, -1000.0f);
    for (const char *bad : {"", "  ", "abc", "12,5", "1.2.3", "5V", "nan", "inf", "1e999"}) {
        f = -1;
        EXPECT_FALSE(parse_float(bad, &f)) << bad;
        EXPECT_EQ(f, -1) << bad;
    }
    long n = -1;
    EXPECT_TRUE(parse_int("00005", &n));
    EXPECT_EQ(n, 5);
    EXPECT_TRUE(parse_int("-3", &n));
    EXPECT_EQ(n, -3);
    for (const char *bad : {"", "1.5", "0x10", "12a", "99999999999999999999999"})
        EXPECT_FALSE(parse_int(bad, &n)) << bad;
}

TEST(TextFields, DecimalFieldsReadAsAtoiReads) {
    EXPECT_EQ(leading_decimal(" 42abc"), 42);
    EXPECT_EQ(leading_decimal("-7"), -7);
    EXPECT_EQ(leading_decimal("fast"), 0);
    EXPECT_EQ(leading_decimal(""), 0);
    EXPECT_EQ(leading_decimal("99999999999999999999"), 2147483647);

    unsigned v = 0;
    EXPECT_TRUE(parse_digits("007", 3, &v));
    EXPECT_EQ(v, 7u);
    for (const char *bad : {"", "1234", "+12", " 1", "1a"})
        EXPECT_FALSE(parse_digits(bad, 3, &v)) << bad;
}
