// The texts the program shows for units, status words, channels' health,
// connection lines and how connections are matched: tables of cases.
#include <gtest/gtest.h>

#include <initializer_list>

#include "identitymatch.h"
#include "parameterorder.h"
#include "statusbartexts.h"
#include "statustexts.h"
#include "unittexts.h"
#include "valueconversion.h"

namespace {

quint32 bits(std::initializer_list<int> list)
{
    quint32 v = 0;
    for (int b : list)
        v |= 1u << b;
    return v;
}

std::string s(const QString &q) { return q.toStdString(); }

} // namespace

TEST(UnitTexts, PrefixAndUnitCombine)
{
    struct Case { int libType; QVariant exp; QVariant unit; const char *text; };
    const Case cases[] = {
        {0, 0, 2, " V"},          // blank prefix first
        {0, -6, 1, "uA"},
        {0, 3, 3, "KW"},          // upper-case K
        {0, 6, 5, "MHz"},
        {6, -9, 8, "nsec"},
        {0, -3, 7, "mVps"},
        {0, 2, 2, " V"},          // unknown exponent reads as a blank
        {0, 0, 11, " "},          // "bit" has no text
        {0, QVariant(), 2, "V"},  // an unreadable "Exp" adds nothing
        {0, -6, QVariant(), "u"},
        {4, -6, 1, "0x"},         // bit patterns show "0x"
    };
    for (const Case &c : cases)
        EXPECT_EQ(s(ZEVAHVText::parameterUnitText(c.libType, c.exp, c.unit)), c.text)
            << "exp " << c.exp.toInt() << " unit " << c.unit.toInt();
    EXPECT_EQ(ZEVAHVText::unitText(4), QString(QChar(0x00B0)) + "C");
}

TEST(UnitTexts, OnOffAndConnectionTexts)
{
    EXPECT_EQ(s(ZEVAHVText::channelOnOffText("+")), "POS");
    EXPECT_EQ(s(ZEVAHVText::channelOnOffText(" - ")), "NEG");
    EXPECT_EQ(s(ZEVAHVText::channelOnOffText("+5")), "+5");
    EXPECT_EQ(s(ZEVAHVText::channelOnOffText("Pos")), "Pos");
    EXPECT_EQ(s(ZEVAHVText::connectionStateText(0)), "Connection Pending");
    EXPECT_EQ(s(ZEVAHVText::connectionStateText(1)), "Connection Ok");
    EXPECT_EQ(s(ZEVAHVText::connectionStateText(2)), "Connection Ko");
    EXPECT_EQ(s(ZEVAHVText::connectionStateText(3)), "");
}

TEST(StatusTexts, ChannelStatusFirstMatchingRuleWins)
{
    struct Case { int type; quint32 status; const char *text; };
    const Case cases[] = {
        {6, bits({0, 1}), "Up"},
        {6, bits({0, 1, 7}), "Tripped"},
        {6, bits({0}), "On"},
        {6, bits({}), "Off"},
        {6, bits({12, 7}), "Interlock"},   // off: interlock before trip
        {6, bits({0, 12}), "On"},          // on: interlock is not looked at
        {2, bits({2, 6}), "E-Trp-Dwn"},
        {3, bits({2}), "Down"},
        {2, bits({11, 1}), "Unplugg"},
        {2, bits({6}), "E-Tripped"},
        {2, bits({15}), "Temp Err."},
        {2, bits({}), ""},
        {5, bits({1, 13}), "Uncalibrated"},
        {5, bits({1}), "Up"},
        {5, bits({}), ""},
        {9, bits({2, 3}), "Ovc-Dwn"},
        {9, bits({3}), "Ovc"},
        {9, bits({15}), "Fan-High"},
        {11, bits({0, 6}), "MaxV"},
        {11, bits({9}), "Temp warning"},
        {11, bits({}), "Off"},
        {13, bits({16, 1}), "Cal. Err."},
        {13, bits({1, 2}), "Up"},
        {8, bits({1}), ""},                // amplifiers have no status table
    };
    for (const Case &c : cases)
        EXPECT_EQ(s(ZEVAHVStatus::channelStatusText(c.type, c.status)), c.text)
            << "type " << c.type << " status " << c.status;
}

TEST(StatusTexts, BoardStatusUsesLowByteExceptForDesktopModules)
{
    struct Case { int type; quint32 status; const char *text; };
    const Case cases[] = {
        {2, bits({0, 1}), "FW CHKERR"},
        {3, bits({3, 5}), "Temp Err"},
        {2, bits({5}), "Ov Temp"},
        {2, bits({8}), ""},
        {6, bits({0, 6}), "HV Clock Fail"},
        {6, bits({3}), "Ch3 Alarm"},
        {11, bits({20}), "Alarmed"},
        {11, bits({}), ""},
        {13, bits({}), "Good"},
        {13, bits({0}), "Pw Fail"},
        {13, bits({9}), "Good"},
        {13, bits({1, 3}), "Temp. Err."},
        {12, bits({1}), ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(s(ZEVAHVStatus::boardStatusText(c.type, c.status)), c.text)
            << "type " << c.type << " status " << c.status;
}

TEST(StatusTexts, HealthyChannelTable)
{
    struct Case { int type; quint32 status; bool healthy; };
    const Case cases[] = {
        {13, bits({8}), true},
        {13, bits({8, 3}), true},   // bit 8 wins over 3
        {13, bits({3}), false},
        {13, bits({8, 6}), false},
        {13, bits({16}), false},
        {2, bits({1, 5}), true},    // ramping up hides the rest
        {2, bits({2, 6}), false},
        {2, bits({2, 5}), true},
        {2, bits({5}), false},
        {3, bits({10, 1}), false},
        {3, bits({}), true},
        {5, bits({2}), true},
        {5, bits({3}), false},
        {5, bits({13}), false},
        {5, bits({14}), true},
        {6, bits({0, 3}), false},
        {6, bits({0, 8}), true},
        {6, bits({9}), false},
        {6, bits({8}), false},
        {6, bits({}), true},
        {11, bits({0, 7}), false},
        {11, bits({0, 2}), true},
        {9, bits({2, 3}), false},
        {9, bits({2, 4}), true},
        {9, bits({12}), false},
        {9, bits({13}), true},
        {12, bits({0, 1, 2, 3, 4, 5, 6, 7, 8}), true},
        {8, bits({31}), true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ZEVAHVStatus::isChannelHealthy(c.type, c.status), c.healthy)
            << "type " << c.type << " status " << c.status;
}

TEST(ValueConversion, EventBytesByValueType)
{
    const unsigned char minusOne16[] = {0xFF, 0xFF, 0, 0};
    EXPECT_EQ(ZEVAHVValue::fromBytes(1, reinterpret_cast<const char *>(minusOne16), 4).toInt(), -1);
    EXPECT_EQ(ZEVAHVValue::fromBytes(4, reinterpret_cast<const char *>(minusOne16), 4).toUInt(), 65535u);
    EXPECT_EQ(ZEVAHVValue::fromBytes(5, reinterpret_cast<const char *>(minusOne16), 4).toUInt(), 65535u);
    const float f = 2.5f;
    EXPECT_FLOAT_EQ(ZEVAHVValue::fromBytes(6, reinterpret_cast<const char *>(&f), 4).toFloat(), 2.5f);
    const qint32 three = 3;
    const QVariant e = ZEVAHVValue::fromBytes(9, reinterpret_cast<const char *>(&three), 4);
    EXPECT_EQ(e.typeId(), QMetaType::Float);
    EXPECT_FLOAT_EQ(e.toFloat(), 3.0f);
    const qint32 some = 0x100;
    EXPECT_TRUE(ZEVAHVValue::fromBytes(8, reinterpret_cast<const char *>(&some), 4).toBool());
    // A text without terminator ends at the buffer's end; a short buffer
    // gives no number.
    EXPECT_EQ(s(ZEVAHVValue::fromBytes(7, "ABCDEF", 3).toString()), "ABC");
    EXPECT_EQ(s(ZEVAHVValue::fromBytes(7, "AB\0CD", 5).toString()), "AB");
    EXPECT_TRUE(ZEVAHVValue::fromBytes(0, "ab", 2).isNull());
}

TEST(ValueConversion, LibraryTypesGiveValueTypesAndModes)
{
    const int parameterTypes[][2] = {{0, 6}, {1, 8}, {4, 0}, {5, 7}, {6, 9}, {7, 7}, {42, 7}};
    for (auto &p : parameterTypes)
        EXPECT_EQ(ZEVAHVValue::valueTypeForParameter(p[0]), p[1]) << p[0];
    const int propertyTypes[][2] = {{0, 7}, {1, 6}, {2, 4}, {3, 3}, {4, 1}, {5, 0}, {6, 8}};
    for (auto &p : propertyTypes)
        EXPECT_EQ(ZEVAHVValue::valueTypeForSystemProperty(p[0], -5), p[1]) << p[0];
    EXPECT_EQ(ZEVAHVValue::valueTypeForSystemProperty(9, 5), 5);
    EXPECT_EQ(ZEVAHVValue::accessModeFromLibrary(1), 1);
    EXPECT_EQ(ZEVAHVValue::accessModeFromLibrary(7), 3);
}

TEST(ParameterOrder, GroupsMoveForwardAfterName)
{
    struct Case { QStringList names; QStringList ordered; };
    const Case cases[] = {
        {{"Name", "Status", "VMon", "ISet", "x", "VSET", "imon"},
         {"Name", "ISet", "VSET", "imon", "VMon", "Status", "x"}},
        {{"a", "Pw", "b", "I0Set"}, {"I0Set", "Pw", "a", "b"}},
        {{"Trip", "Name", "RUp", "Pw"}, {"Trip", "Name", "Pw", "RUp"}},
        // Both members of a group keep their library order.
        {{"VSet", "ISet", "I0Set", "V0Set"}, {"ISet", "I0Set", "VSet", "V0Set"}},
        {{"Name", "CoarGain", "FineGain"}, {"Name", "CoarGain", "FineGain"}},
        {{}, {}},
    };
    for (const Case &c : cases) {
        QStringList got;
        for (int i : channelParameterOrder(c.names))
            got << c.names[i];
        EXPECT_EQ(got, c.ordered) << s(c.names.join(','));
    }
}

TEST(StatusBarTexts, ConnectionLineByLink)
{
    struct Case { int link; const char *arg; const char *line; };
    const Case cases[] = {
        {0, "192.168.0.1_3", "IP: 192.168.0.1, LBus: 3"},
        {0, "10.0.0.1", "IP: 10.0.0.1"},
        {5, "4_9600_8_0_0_0", "COM4, BaudRate: 9600, Data: 8, Stop: 1, Parity: None"},
        {5, "COM3_115200_8_2_1_5", "COM3, BaudRate: 115200, Data: 8, Stop: 2, Parity: Even"},
        {5, "COM3_9600_8_1_x_5", "COM3, BaudRate: 9600, Data: 8, Stop: 1.5, Parity: None"},
        {5, "COM3_9600_8_7_9_5", "COM3, BaudRate: 9600, Data: 8, Stop: , Parity: "},
        {5, "COM3_9600_8_0_0", ""},
        {5, "COM3_9600_8_0_0_0_1", ""},
        {3, "0abc", "USB 0"},
        {4, "123456", "OPTICAL LINK 123"},
        {4, "12", ""},
        {7, "anything", "anything"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(s(ZEVAHVStatusBar::connectionLine(c.link, c.arg)), c.line) << c.arg;
    EXPECT_EQ(s(ZEVAHVStatusBar::titleLine(5, "x")), "VME HV Crate");
    EXPECT_EQ(s(ZEVAHVStatusBar::titleLine(8, "Amp")), "Amp");
}

TEST(IdentityMatch, TextsAndAddresses)
{
    int used = -1;
    const char withTail[] = "127.0.0.1:4000_0\0ZEVAHV";
    EXPECT_EQ(s(ZEVAHVIdentity::identificationText(withTail, sizeof withTail, &used)),
              "127.0.0.1:4000_0");
    EXPECT_EQ(used, 17);  // the text and its terminator, not the frame behind
    EXPECT_EQ(s(ZEVAHVIdentity::identificationText("abc", 3, &used)), "abc");
    EXPECT_EQ(used, 3);

    struct Case { const char *identity; const char *argument; bool byPeer; bool match; };
    const Case cases[] = {
        {"127.0.0.1:4000_0", "127.0.0.1:4000_0", false, true},
        {"/dev/pts/3_9600_8_0_0_2", "/DEV/PTS/3_9600_8_0_0_2", false, true},
        {"127.0.0.1:4000_0", "127.0.0.1:4000_1", false, false},
        {"192.168.0.5", "192.168.0.5:5000", true, true},
        {"192.168.0.5", "192.168.0.5_0", true, true},
        {"192.168.0.5", "192.168.0.5:5000", false, false},
        {"192.168.0.5", "192.168.0.50", true, false},
        {"", "", false, false},
        {"", "x", true, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ZEVAHVIdentity::matches(c.identity, c.argument, c.byPeer), c.match)
            << c.identity << " vs " << c.argument;
}
