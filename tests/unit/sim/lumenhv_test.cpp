// The self-describing module: what it lists and describes, how its words
// drive the HV channel whatever they are called, and the descriptions it
// refuses to be built from.
#include <gtest/gtest.h>

#include <algorithm>

#include "device_session.h"
#include "devices/lumenhv/description.h"
#include "devices/lumenhv/lumenhv.h"

using namespace sim;
using namespace std::chrono_literals;

namespace {

DeviceSession session_of(const lumenhv::Description& d) {
    return DeviceSession(make_lumenhv(d), lumenhv_dialect());
}

size_t count_of(const std::string& s, char c) { return std::count(s.begin(), s.end(), c); }

} // namespace

TEST(Lumenhv, BuiltInModuleListsDescribesAndRamps) {
    auto s = session_of(lumenhv::builtin_description());
    EXPECT_EQ(s.value("$CMD:MON,PAR:BDNAME"), "LUMENHV");
    EXPECT_EQ(s.value("$CMD:MON,PAR:BDNCH"), "4");
    EXPECT_EQ(s.value("$CMD:MON,PAR:PARLIST"), "Temp;BdIlk;BdAlarm;ClearAlarm");
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:PARCHLIST"),
              "VSet;VMon;ISet;IMon;RUp;RDwn;Trip;PDwn;STAT;Pw");
    // Every description has nine separators and a client's unit names.
    for (const char* w : {"VSet", "IMon", "RUp", "Trip", "PDwn", "STAT", "Pw"}) {
        std::string info = s.value(std::string("$CMD:INFO,CH:0,PAR:") + w);
        EXPECT_EQ(count_of(info, ';'), 9u) << w << ": " << info;
    }
    EXPECT_EQ(s.value("$CMD:INFO,CH:0,PAR:VSet"), "0;2;0.0;3000.0;1;;volt;;;");
    EXPECT_EQ(s.value("$CMD:INFO,CH:0,PAR:RUp"), "0;2;1;500;0;;vps;;;");
    EXPECT_EQ(s.value("$CMD:INFO,CH:0,PAR:Pw"), "1;2;0;0;0;;;ON;OFF;");
    EXPECT_EQ(s.value("$CMD:INFO,PAR:ClearAlarm"), "1;1;0;0;0;;;YES;NO;");
    EXPECT_EQ(s.ask("$CMD:INFO,PAR:VSet"), "#CH:ERR");      // a channel word needs its channel
    EXPECT_EQ(s.ask("$CMD:INFO,PAR:BDNAME"), "#CMD:ERR");   // identification is not described
    EXPECT_EQ(s.ask("$CMD:INFO,CH:0,PAR:ON"), "#CMD:ERR");  // nor are the unlisted switches
    EXPECT_EQ(s.ask("$BD:0,CMD:MON,PAR:BDNAME"), "#CMD:OK,VAL:LUMENHV"); // no address back

    // Power through the listed word or the HV module's switch words.
    ASSERT_TRUE(s.panel("LOAD", 1, "1000"));
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:VSet,VAL:0200.0"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:Pw,VAL:ON"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,CH:2,PAR:ON"), "#CMD:OK");
    s.after(1s); // RUp 100 V/s
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:VMon"), "0100.0");
    s.after(2s);
    EXPECT_EQ(s.value("$CMD:MON,CH:4,PAR:VMon"), "0000.0;0200.0;0000.0;0000.0");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:IMon"), "0000.200"); // 200 V / 1000 MOhm
    EXPECT_EQ(s.value("$CMD:MON,CH:4,PAR:Pw"), "OFF;ON;ON;OFF");
    EXPECT_EQ(s.value("$CMD:MON,CH:4,PAR:STAT"), "00000;00001;00001;00000");
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:Pw,VAL:OFF"), "#CMD:OK");
    s.after(100ms);
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:STAT"), "00004"); // ramping down
}

TEST(Lumenhv, TripsLatchInTheDescribedAlarmUntilTheDescribedClear) {
    auto s = session_of(lumenhv::builtin_description());
    ASSERT_TRUE(s.panel("LOAD", 0, "1"));
    s.ask("$CMD:SET,CH:0,PAR:ISet,VAL:0010.00"); // 10 V at 1 MOhm
    s.ask("$CMD:SET,CH:0,PAR:Trip,VAL:0000.0");  // at once
    s.ask("$CMD:SET,CH:0,PAR:VSet,VAL:0050.0");
    s.ask("$CMD:SET,CH:0,PAR:Pw,VAL:ON");
    s.after(1s);
    EXPECT_EQ(s.value("$CMD:MON,PAR:BdAlarm"), "00001");
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:0,PAR:STAT")) & 0x81u, 0x80u);
    EXPECT_EQ(s.ask("$CMD:SET,PAR:ClearAlarm,VAL:NO"), "#CMD:OK"); // off: nothing happens
    EXPECT_EQ(s.value("$CMD:MON,PAR:BdAlarm"), "00001");
    EXPECT_EQ(s.ask("$CMD:SET,PAR:ClearAlarm,VAL:YES"), "#CMD:OK");
    EXPECT_EQ(s.value("$CMD:MON,PAR:BdAlarm"), "00000");
    EXPECT_EQ(s.ask("$CMD:MON,PAR:ClearAlarm"), "#CMD:ERR"); // write-only

    ASSERT_TRUE(s.panel("BdIlk", -1, "YES"));
    EXPECT_EQ(s.value("$CMD:MON,PAR:BdIlk"), "YES");
}

TEST(Lumenhv, SecondDescriptionNamesItsOwnWordsAndChannelLists) {
    std::string error;
    auto d = lumenhv::read_description_file(ZEVAHV_LUMENHV_EXAMPLE, error);
    ASSERT_TRUE(d) << error;
    auto s = session_of(*d);
    EXPECT_EQ(s.value("$CMD:MON,PAR:BDNAME"), "LUMENHV-8");
    EXPECT_EQ(s.value("$CMD:MON,PAR:BDNCH"), "8");
    EXPECT_EQ(s.value("$CMD:MON,PAR:PARLIST"), "HVTemp;FanSpeed;Ilk;Alarms;Reset;Identify;Label");
    std::string ch0 = s.value("$CMD:MON,CH:0,PAR:PARCHLIST");
    std::string ch5 = s.value("$CMD:MON,CH:5,PAR:PARCHLIST");
    std::string ch7 = s.value("$CMD:MON,CH:7,PAR:PARCHLIST");
    EXPECT_NE(ch0.find("Gain"), std::string::npos);
    EXPECT_EQ(ch5.find("Gain"), std::string::npos);
    EXPECT_EQ(ch0.find("Flow"), std::string::npos);
    EXPECT_NE(ch7.find("Flow"), std::string::npos);
    // A word a channel lacks is refused there, and leaves its place empty
    // when all channels are read at once.
    EXPECT_EQ(s.ask("$CMD:MON,CH:5,PAR:Gain"), "#PAR:ERR");
    EXPECT_EQ(s.ask("$CMD:INFO,CH:5,PAR:Gain"), "#PAR:ERR");
    EXPECT_EQ(s.value("$CMD:MON,CH:8,PAR:Gain"), "1;1;1;1;;;;");
    EXPECT_EQ(s.ask("$CMD:SET,CH:8,PAR:Gain,VAL:3"), "#CMD:OK");
    EXPECT_EQ(s.value("$CMD:MON,CH:8,PAR:Gain"), "3;3;3;3;;;;");
    EXPECT_EQ(s.ask("$CMD:SET,CH:0,PAR:Gain,VAL:4"), "#VAL:ERR");
    EXPECT_EQ(s.value("$CMD:INFO,CH:0,PAR:Rate"), "0;0;0;100000;0;3;hertz;;;");
    EXPECT_EQ(s.value("$CMD:INFO,CH:6,PAR:Flow"), "0;0;0.00;10.00;2;;furlong;;;");
    EXPECT_EQ(s.value("$CMD:MON,PAR:Label"), "crate 3 slot 7");
    EXPECT_EQ(s.ask("$CMD:SET,PAR:Identify"), "#CMD:OK");

    // The roles drive the HV channel under these names; STAT still answers
    // the status word (it is not listed), and ON/OFF still switch.
    EXPECT_EQ(s.ask("$CMD:SET,CH:3,PAR:V0Set,VAL:0500.0"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,CH:3,PAR:ON"), "#CMD:OK");
    s.after(3s);
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:VMon"), "0500.00");
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:Status"), "00001");
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:STAT"), "00001");
    EXPECT_EQ(ch0.find("STAT"), std::string::npos);
    EXPECT_EQ(s.ask("$CMD:SET,CH:3,PAR:SVMax,VAL:0400"), "#CMD:OK");
    s.after(2s);
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:VMon"), "0400.00");
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:3,PAR:Status")) & 64u, 64u); // above maxv
}

TEST(Lumenhv, DescriptionsThatCannotDescribeAModuleAreRefusedWithTheReason) {
    struct Case {
        const char* json;
        const char* reason;
    } cases[] = {
        {"[]", "object"},
        {"{", "not JSON"},
        {R"({"channels": 0})", "channels"},
        {R"({"channels": 99})", "channels"},
        {R"({"colour": "red"})", "unknown field"},
        {R"({"board": [{"type": 0, "mode": 0}]})", "name"},
        {R"({"board": [{"name": "A", "mode": 0}]})", "type"},
        {R"({"board": [{"name": "A", "type": 9, "mode": 0}]})", "type"},
        {R"({"board": [{"name": "A", "type": 0, "mode": 3}]})", "mode"},
        {R"({"board": [{"name": "A,B", "type": 0, "mode": 0}]})", "name"},
        {R"({"board": [{"name": "A B", "type": 0, "mode": 0}]})", "name"},
        {R"({"board": [{"name": "A", "type": 0, "mode": 0, "min": 5, "max": 1}]})", "min"},
        {R"({"board": [{"name": "A", "type": 0, "mode": 0, "max": 1e300}]})", "range"},
        {R"({"board": [{"name": "A", "type": 1, "mode": 0, "on": "X"}]})", "on/off"},
        {R"({"board": [{"name": "A", "type": 0, "mode": 0, "unit": "v;olt"}]})", "unit"},
        {R"({"board": [{"name": "A", "type": 0, "mode": 0, "colour": 1}]})", "unknown field"},
        {R"({"board": [{"name": "A", "type": 0, "mode": 0}, {"name": "A", "type": 0, "mode": 0}]})",
         "twice"},
        {R"({"board": [{"name": "PARLIST", "type": 0, "mode": 0}]})", "reserved"},
        {R"({"board": [{"name": "A", "type": 0, "mode": 0, "role": "vset"}]})", "channels"},
        {R"({"channel": [{"name": "A", "type": 1, "mode": 2, "on": "1", "off": "0", "role": "vset"}]})",
         "type"},
        {R"({"channel": [{"name": "A", "type": 0, "mode": 2, "role": "warp"}]})", "unknown role"},
        {R"({"channels": 2, "channel": [{"name": "A", "type": 0, "mode": 2, "channels": [2]}]})",
         "channels"},
        {R"({"channel": [{"name": "A", "type": 0, "mode": 2, "role": "vset"},
                         {"name": "B", "type": 0, "mode": 2, "role": "vset"}]})", "twice"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(lumenhv::parse_description(c.json, error)) << c.json;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.json << " -> " << error;
    }
    std::string error;
    EXPECT_FALSE(lumenhv::read_description_file("/nonexistent/description.json", error));
    EXPECT_NE(error.find("cannot read"), std::string::npos);
}

TEST(Lumenhv, AVerbatimDescriptionIsSentAsItStands) {
    std::string error;
    auto d = lumenhv::parse_description(
        R"({"channels": 1, "channel": [
              {"name": "Broken", "type": 0, "mode": 2, "info": "0;2;0;100;1;;volt;;"},
              {"name": "Odd", "type": 0, "mode": 2, "unit": "parsec", "max": 9, "small": 7}]})",
        error);
    ASSERT_TRUE(d) << error;
    auto s = session_of(*d);
    EXPECT_EQ(s.value("$CMD:INFO,CH:0,PAR:Broken"), "0;2;0;100;1;;volt;;"); // eight ';'
    EXPECT_EQ(s.value("$CMD:INFO,CH:0,PAR:Odd"), "0;2;0;9;0;7;parsec;;;");
    EXPECT_EQ(s.ask("$CMD:SET,CH:0,PAR:ON"), "#PAR:ERR"); // no power role: no switches
}
