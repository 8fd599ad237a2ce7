// What an operator types is taken exactly or refused with a reason: never
// cut, rounded or moved into range.
#include <gtest/gtest.h>

#include "inputrules.h"

namespace {
std::string s(const QString &q) { return q.toStdString(); }
}

TEST(InputRules, WholeNumbersInRangeAreTakenAsTyped)
{
    for (const char *typed : {"0", "255", "+7", " 42 ", "007"}) {
        const auto c = ZEVAHVInput::wholeNumber(typed, 0, 255, "FineGain");
        EXPECT_TRUE(c.ok) << typed << ": " << s(c.reason);
        EXPECT_EQ(c.value.toLongLong(), QString(typed).trimmed().toLongLong()) << typed;
    }
    EXPECT_EQ(ZEVAHVInput::wholeNumber("-5", -10, 10, "Trim").value.toInt(), -5);
}

TEST(InputRules, WholeNumbersOutOfRangeOrMalformedAreRefusedWithTheRange)
{
    // Each of these used to reach the module changed: 300 as 30, 999 as 99,
    // letters dropped.
    const struct {
        const char *typed;
        const char *says;
    } cases[] = {
        {"300", "300 is out of range for FineGain."},
        {"256", "out of range"},
        {"-1", "out of range"},
        {"99999999999999999999", "out of range"},
        {"12ab", "\"12ab\" is not a whole number."},
        {"abc", "not a whole number"},
        {"1.5", "not a whole number"},
        {"1e3", "not a whole number"},
        {"", "No value was typed for FineGain."},
        {"   ", "No value was typed"},
    };
    for (const auto &k : cases) {
        const auto c = ZEVAHVInput::wholeNumber(k.typed, 0, 255, "FineGain");
        EXPECT_FALSE(c.ok) << k.typed;
        EXPECT_FALSE(c.value.isValid()) << k.typed;
        EXPECT_NE(s(c.reason).find(k.says), std::string::npos) << k.typed << " -> " << s(c.reason);
        EXPECT_NE(s(c.reason).find("FineGain takes a value from 0 to 255."), std::string::npos) << k.typed;
        EXPECT_NE(s(c.reason).find("Nothing was written to the module."), std::string::npos) << k.typed;
    }
}

TEST(InputRules, DecimalNumbersKeepTheirPrecisionOrAreRefused)
{
    const auto ok = ZEVAHVInput::decimalNumber("12.5", 0, 100, 1, "VSet", " V");
    EXPECT_TRUE(ok.ok);
    EXPECT_DOUBLE_EQ(ok.value.toDouble(), 12.5);
    EXPECT_TRUE(ZEVAHVInput::decimalNumber(".5", 0, 1, 2, "X").ok);
    EXPECT_TRUE(ZEVAHVInput::decimalNumber("100", 0, 100, 1, "X").ok);
    // The limits are compared at the shown precision: a float limit read
    // back as 99.9000015 still takes 99.9.
    EXPECT_TRUE(ZEVAHVInput::decimalNumber("99.9", 0, 99.9000015, 1, "X").ok);

    const auto tooFine = ZEVAHVInput::decimalNumber("12.55", 0, 100, 1, "VSet", " V");
    EXPECT_FALSE(tooFine.ok);   // never rounded to 12.6 or 12.5
    EXPECT_NE(s(tooFine.reason).find("more decimals than VSet takes (1)"), std::string::npos);
    EXPECT_NE(s(tooFine.reason).find("from 0.0 to 100.0 V"), std::string::npos) << s(tooFine.reason);
    for (const char *typed : {"100.1", "-0.1", "1,5", "12V", "nan", "inf", "1e2", ""})
        EXPECT_FALSE(ZEVAHVInput::decimalNumber(typed, 0, 100, 1, "VSet").ok) << typed;
}

TEST(InputRules, TextsLongerThanTheFieldAreRefusedNotCut)
{
    EXPECT_TRUE(ZEVAHVInput::text("Detector-07", 11, "Name").ok);
    const auto c = ZEVAHVInput::text("Detector-007", 11, "Name");
    EXPECT_FALSE(c.ok);
    EXPECT_NE(s(c.reason).find("at most 11 characters"), std::string::npos);
    EXPECT_TRUE(ZEVAHVInput::text(QString(500, 'x'), -1, "Note").ok);
}
