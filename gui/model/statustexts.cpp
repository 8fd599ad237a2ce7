#include "statustexts.h"

#include <initializer_list>

#include "ZEVAHVLink.h"

namespace ZEVAHVStatus {
namespace {

// A status text table: the first rule whose bit is set gives the text, or,
// when the rule has a nested table, the nested table decides.  When no rule
// holds, the fallback text (or the fallback table) decides.
struct Table;
struct Rule {
    int bit;
    const char *text;
    const Table *nested;
};
struct Table {
    std::initializer_list<Rule> rules;
    const char *otherwise;
    const Table *otherwiseTable;
};

bool bitSet(quint32 value, int bit) { return (value >> bit) & 1u; }

QString evaluate(const Table &table, quint32 value)
{
    for (const Rule &rule : table.rules) {
        if (!bitSet(value, rule.bit))
            continue;
        if (rule.nested)
            return evaluate(*rule.nested, value);
        return QString::fromLatin1(rule.text);
    }
    if (table.otherwiseTable)
        return evaluate(*table.otherwiseTable, value);
    return table.otherwise ? QString::fromLatin1(table.otherwise) : QString();
}

// Mainframes (KR2440, KR2550).
const Table kMainframeRampDown{
    {{6, "E-Trp-Dwn", nullptr}, {9, "I-Trp-Dwn", nullptr}, {8, "E-Dis-Dwn", nullptr}},
    "Down", nullptr};
const Table kMainframe{
    {{11, "Unplugg", nullptr}, {10, "Cal-Err", nullptr}, {1, "Up", nullptr},
     {2, nullptr, &kMainframeRampDown}, {6, "E-Tripped", nullptr}, {9, "I-Tripped", nullptr},
     {8, "Ext-Dis", nullptr}, {3, "Ovc", nullptr}, {4, "Ovv", nullptr}, {7, "HVMax", nullptr},
     {5, "Unv", nullptr}, {12, "Unc", nullptr}, {13, "Ovv Prot.", nullptr},
     {14, "Pwr Fail", nullptr}, {15, "Temp Err.", nullptr}},
    nullptr, nullptr};

// Q3815 NIM HV modules: the power bit splits the table.
const Table kQ3815On{
    {{7, "Tripped", nullptr}, {3, "Ovc", nullptr}, {6, "MaxV", nullptr}, {5, "Unv", nullptr},
     {4, "Ovv", nullptr}, {1, "Up", nullptr}, {2, "Down", nullptr}, {13, "Cal-Err", nullptr}},
    "On", nullptr};
const Table kQ3815Off{
    {{12, "Interlock", nullptr}, {10, "Disabled", nullptr}, {11, "Kill", nullptr},
     {7, "Tripped", nullptr}, {8, "Ovp", nullptr}, {9, "Ovt", nullptr}, {13, "Cal-Err", nullptr}},
    "Off", nullptr};
const Table kQ3815{{{0, nullptr, &kQ3815On}}, nullptr, &kQ3815Off};

// W40XX VME boards.
const Table kVmeBoard{
    {{13, "Uncalibrated", nullptr}, {12, "Interlock", nullptr}, {11, "Disabled", nullptr},
     {10, "Ovt", nullptr}, {9, "Ovp", nullptr}, {8, "Trip", nullptr}, {7, "HVMax", nullptr},
     {6, "IMax", nullptr}, {5, "Unv", nullptr}, {4, "Ovv", nullptr}, {3, "Ovc", nullptr},
     {2, "Down", nullptr}, {1, "Up", nullptr}},
    nullptr, nullptr};

// RD40XX desktop units.
const Table kDesktopRampDown{{{3, "Ovc-Dwn", nullptr}}, "Down", nullptr};
const Table kDesktop{
    {{11, "Calib. Err", nullptr}, {10, "Ext-Dis", nullptr}, {1, "Up", nullptr},
     {2, nullptr, &kDesktopRampDown}, {6, "HVMax", nullptr}, {9, "Temp Err.", nullptr},
     {8, "Temp Warn", nullptr}, {3, "Ovc", nullptr}, {4, "Ovv", nullptr}, {7, "IMax", nullptr},
     {5, "Unv", nullptr}, {12, "Resetting", nullptr}, {14, "Pwr-Fail", nullptr},
     {15, "Fan-High", nullptr}},
    nullptr, nullptr};

// RD40XXE desktop modules.
const Table kDesktopEOn{
    {{7, "Tripped", nullptr}, {3, "Ovc", nullptr}, {6, "MaxV", nullptr}, {5, "Unv", nullptr},
     {4, "Ovv", nullptr}, {1, "Up", nullptr}, {2, "Down", nullptr}},
    "On", nullptr};
const Table kDesktopEOff{
    {{12, "Interlock", nullptr}, {10, "Disabled", nullptr}, {11, "Kill", nullptr},
     {7, "Tripped", nullptr}, {8, "MaxPower", nullptr}, {9, "Temp warning", nullptr},
     {13, "Cal-Err", nullptr}},
    "Off", nullptr};
const Table kDesktopE{{{0, nullptr, &kDesktopEOn}}, nullptr, &kDesktopEOff};

// LUMENHV self-describing modules.
const Table kLumen{
    {{13, "Comm. Fail", nullptr}, {16, "Cal. Err.", nullptr}, {11, "Interlock", nullptr},
     {10, "Kill", nullptr}, {12, "Disabled", nullptr}, {14, "Lock", nullptr},
     {7, "Ovp", nullptr}, {6, "Tripped", nullptr}, {9, "Ovt", nullptr},
     {8, "Temp. Warn", nullptr}, {3, "Ovc", nullptr}, {15, "MaxV", nullptr},
     {5, "Unv", nullptr}, {4, "Ovv", nullptr}, {1, "Up", nullptr}, {2, "Down", nullptr}},
    nullptr, nullptr};

// Board status words.
const Table kMainframeBoard{
    {{1, "FW CHKERR", nullptr}, {0, "PW Fail", nullptr}, {2, "HvCal Err", nullptr},
     {3, "Temp Err", nullptr}, {4, "Un Temp", nullptr}, {5, "Ov Temp", nullptr}},
    nullptr, nullptr};
const Table kQ3815Board{
    {{6, "HV Clock Fail", nullptr}, {4, "Pw Fail", nullptr}, {5, "OV Power", nullptr},
     {0, "Ch0 Alarm", nullptr}, {1, "Ch1 Alarm", nullptr}, {2, "Ch2 Alarm", nullptr},
     {3, "Ch3 Alarm", nullptr}},
    nullptr, nullptr};
const Table kLumenBoard{
    {{3, "Temp. Err.", nullptr}, {2, "Interlock", nullptr}, {1, "Cal. Err.", nullptr},
     {0, "Pw Fail", nullptr}},
    "Good", nullptr};

bool anyBit(quint32 value, std::initializer_list<int> bits)
{
    for (int bit : bits)
        if (bitSet(value, bit))
            return true;
    return false;
}

bool anyBitInRange(quint32 value, int first, int last)
{
    for (int bit = first; bit <= last; ++bit)
        if (bitSet(value, bit))
            return true;
    return false;
}

} // namespace

QString channelStatusText(int systemType, quint32 status)
{
    switch (systemType) {
    case ZEVAHV_SYS_KR2440:
    case ZEVAHV_SYS_KR2550: return evaluate(kMainframe, status);
    case ZEVAHV_SYS_W40XX: return evaluate(kVmeBoard, status);
    case ZEVAHV_SYS_Q3815: return evaluate(kQ3815, status);
    case ZEVAHV_SYS_RD40XX: return evaluate(kDesktop, status);
    case ZEVAHV_SYS_RD40XXE: return evaluate(kDesktopE, status);
    case ZEVAHV_SYS_LUMENHV: return evaluate(kLumen, status);
    default: return QString();
    }
}

QString boardStatusText(int systemType, quint32 status)
{
    const quint32 low = status & 0xFFu;
    switch (systemType) {
    case ZEVAHV_SYS_KR2440:
    case ZEVAHV_SYS_KR2550: return evaluate(kMainframeBoard, low);
    case ZEVAHV_SYS_Q3815: return evaluate(kQ3815Board, low);
    case ZEVAHV_SYS_RD40XXE: return status != 0 ? QStringLiteral("Alarmed") : QString();
    case ZEVAHV_SYS_LUMENHV: return evaluate(kLumenBoard, low);
    default: return QString();
    }
}

bool isChannelHealthy(int systemType, quint32 s)
{
    switch (systemType) {
    case ZEVAHV_SYS_KR2440:
    case ZEVAHV_SYS_KR2550:
        if (anyBit(s, {11, 10}))
            return false;
        if (bitSet(s, 1))
            return true;
        if (bitSet(s, 2))
            return !anyBit(s, {6, 9, 8});
        return !(anyBitInRange(s, 3, 9) || anyBitInRange(s, 12, 15));
    case ZEVAHV_SYS_W40XX:
        return !anyBitInRange(s, 3, 13);
    case ZEVAHV_SYS_Q3815:
    case ZEVAHV_SYS_RD40XXE:
        if (bitSet(s, 0))
            return !anyBitInRange(s, 3, 7);
        if (anyBit(s, {7, 8, 10, 11, 12}))
            return false;
        return !bitSet(s, 9);
    case ZEVAHV_SYS_RD40XX:
        if (anyBit(s, {11, 10}))
            return false;
        if (bitSet(s, 1))
            return true;
        if (bitSet(s, 2))
            return !bitSet(s, 3);
        return !(anyBitInRange(s, 3, 9) || anyBit(s, {12, 14}));
    case ZEVAHV_SYS_LUMENHV:
        if (anyBit(s, {6, 7, 9, 10, 11, 12, 13, 14, 16}))
            return false;
        if (bitSet(s, 8))
            return true;
        return !anyBit(s, {3, 4, 5, 15});
    default:
        return true;
    }
}

} // namespace ZEVAHVStatus
