// The RD40XXE, W7300, KQPS and ZBK simulators over simulated time, through
// their own line forms: set points, ramping monitors, status bits, trips and
// what clears them.
#include <gtest/gtest.h>

#include "device_session.h"
#include "devices/kqps.h"
#include "devices/rd40xxe.h"
#include "devices/w7300.h"
#include "devices/zbk.h"

using namespace sim;
using namespace std::chrono_literals;

TEST(Rd40xxeModel, CurrentRangeDecimalsSaturationAndModulesWithoutRange) {
    DeviceSession s(make_rd40xxe(2, true), unaddressed_dialect());
    EXPECT_EQ(s.ask("$CMD:MON,PAR:BDNCH"), "#CMD:OK,VAL:2");
    EXPECT_EQ(s.ask("$BD:00,CMD:MON,PAR:BDNAME"), "#CMD:ERR"); // not this module's form
    EXPECT_EQ(s.value("$CMD:MON,CH:0,PAR:IMAXH"), "3000");
    EXPECT_EQ(s.value("$CMD:MON,CH:0,PAR:IMAXL"), "300");
    EXPECT_EQ(s.value("$CMD:MON,PAR:VSDEC"), "1");
    EXPECT_EQ(s.value("$CMD:MON,CH:0,PAR:IMDECL"), "4");

    ASSERT_TRUE(s.panel("LOAD", 1, "1")); // 1 MOhm: 1 uA per volt
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:VSET,VAL:0500.0"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:ISET,VAL:1000.00"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:RUP,VAL:500"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:ON"), "#CMD:OK");
    s.after(2s);
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:VMON"), "0500.0");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:IMON"), "0500.00"); // HIGH range, 2 decimals
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:IMRANGE,VAL:LOW"), "#CMD:OK");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:IMON"), "0300.0000"); // saturated at IMAXL
    EXPECT_EQ(s.value("$CMD:MON,CH:2,PAR:IMRANGE"), "HIGH;LOW");

    DeviceSession plain(make_rd40xxe(1, false), unaddressed_dialect());
    for (const char* word : {"IMRANGE", "IMAXL", "IMDECL"})
        EXPECT_EQ(plain.ask(std::string("$CMD:MON,CH:0,PAR:") + word), "#PAR:ERR") << word;
    EXPECT_EQ(plain.value("$CMD:MON,CH:0,PAR:IMAXH"), "3000");
}

TEST(Rd40xxeModel, InterlockDropsTheOutputAndTripsLatchInTheAlarm) {
    DeviceSession s(make_rd40xxe(2, true), unaddressed_dialect());
    ASSERT_TRUE(s.panel("LOAD", 0, "1"));
    s.ask("$CMD:SET,CH:0,PAR:VSET,VAL:0400.0");
    s.ask("$CMD:SET,CH:0,PAR:ISET,VAL:0100.00"); // the limit holds it at 100 V
    s.ask("$CMD:SET,CH:0,PAR:TRIP,VAL:0001.0");
    s.ask("$CMD:SET,CH:0,PAR:RUP,VAL:500");
    s.ask("$CMD:SET,CH:0,PAR:ON");
    s.after(500ms);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:0,PAR:STAT")), 1u | 8u | 32u); // on, limited
    s.after(1s);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:0,PAR:STAT")) & 0x81u, 0x80u); // tripped, off
    EXPECT_EQ(s.value("$CMD:MON,PAR:BDALARM"), "00001");
    EXPECT_EQ(s.ask("$CMD:SET,PAR:BDCLR"), "#CMD:OK");
    EXPECT_EQ(s.value("$CMD:MON,PAR:BDALARM"), "00000");

    ASSERT_TRUE(s.panel("BDILK", -1, "YES"));
    EXPECT_EQ(s.value("$CMD:MON,PAR:BDILK"), "YES");
    s.ask("$CMD:SET,CH:1,PAR:ON");
    s.after(100ms);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:1,PAR:STAT")), 1u << 12); // held off
}

TEST(W7300Model, CrateSwitchesOutputsThatRampLimitAndTrip) {
    DeviceSession s(make_w7300(3, "127.0.0.5"), unaddressed_dialect());
    EXPECT_EQ(s.value("$CMD:MON,PAR:IPADD"), "127.0.0.5");
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:VSET"), "05.00;05.00;03.30");
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:VMON"), "00.00;00.00;00.00");
    EXPECT_EQ(s.value("$CMD:MON,PAR:Pw"), "Off");
    // Limits of each channel's own: 5 V outputs take 4..5.5 V.
    EXPECT_EQ(s.value("$CMD:MON,CH:0,PAR:VMAX"), "05.50");
    EXPECT_EQ(s.ask("$CMD:SET,CH:0,PAR:VSET,VAL:7.00"), "#VAL:ERR");
    EXPECT_EQ(s.ask("$CMD:SET,CH:2,PAR:VSET,VAL:3.00"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,CH:0,PAR:ISET,VAL:101.0"), "#VAL:ERR");

    EXPECT_EQ(s.ask("$CMD:SET,PAR:ON"), "#CMD:OK");
    s.after(100ms);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:0,PAR:STAT")), 1u | 2u); // on, ramping
    s.after(1s);
    EXPECT_EQ(s.value("$CMD:MON,CH:3,PAR:VMON"), "05.00;05.00;03.00");
    EXPECT_EQ(s.value("$CMD:MON,CH:0,PAR:IMON"), "050.00"); // half its 100 A
    EXPECT_EQ(s.value("$CMD:MON,PAR:CRST"), "00001");
    EXPECT_EQ(s.value("$CMD:MON,PAR:Pw"), "On");

    // A current limit below the load's current holds the voltage down.
    EXPECT_EQ(s.ask("$CMD:SET,CH:0,PAR:ISET,VAL:40.0"), "#CMD:OK");
    s.after(1s);
    EXPECT_EQ(s.value("$CMD:MON,CH:0,PAR:VMON"), "04.00");
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:0,PAR:STAT")), 1u | 4u | 8u); // limited, under

    // An output above its over-voltage threshold trips until CLR.
    ASSERT_TRUE(s.panel("OVP", 1, "4.5"));
    s.after(100ms);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:1,PAR:STAT")), 16u);
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:VMON"), "00.00");
    EXPECT_EQ(s.value("$CMD:MON,PAR:CRST"), "00003");
    ASSERT_TRUE(s.panel("OVP", 1, "6"));
    EXPECT_EQ(s.ask("$CMD:SET,PAR:CLR"), "#CMD:OK");
    s.after(1s);
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:VMON"), "05.00");
    EXPECT_EQ(s.value("$CMD:MON,PAR:CRST"), "00001");
}

TEST(W7300Model, OverTemperatureKeepsTheCrateOffUntilClearedAndFansReport) {
    DeviceSession s(make_w7300(2, "127.0.0.1"), unaddressed_dialect());
    s.ask("$CMD:SET,PAR:Pw,VAL:On");
    s.after(1s);
    ASSERT_TRUE(s.panel("PSTEMP", -1, "75"));
    s.after(20ms);
    EXPECT_EQ(s.value("$CMD:MON,PAR:Pw"), "Off");
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,PAR:CRST")), 4u);
    // Neither way of switching on may claim success now.
    EXPECT_EQ(s.ask("$CMD:SET,PAR:ON"), "#CMD:ERR");
    EXPECT_EQ(s.ask("$CMD:SET,PAR:Pw,VAL:On"), "#CMD:ERR");
    ASSERT_TRUE(s.panel("PSTEMP", -1, "30"));
    EXPECT_EQ(s.ask("$CMD:SET,PAR:CLR"), "#CMD:OK");
    EXPECT_EQ(s.ask("$CMD:SET,PAR:ON"), "#CMD:OK");
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,PAR:CRST")), 1u);

    EXPECT_EQ(s.ask("$CMD:SET,PAR:FANSP,VAL:100"), "#CMD:OK");
    EXPECT_EQ(s.value("$CMD:MON,PAR:FAN1"), "3000");
    ASSERT_TRUE(s.panel("FAN2", -1, "stall"));
    EXPECT_EQ(s.value("$CMD:MON,PAR:FAN2"), "0000");
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,PAR:CRST")), 1u | 8u);
    EXPECT_EQ(s.ask("$CMD:SET,PAR:SYSR"), "#CMD:OK");
    EXPECT_EQ(s.value("$CMD:MON,PAR:Pw"), "Off");
}

TEST(KqpsModel, RampedAndDirectSetPointsAndRegulation) {
    auto dev = make_kqps();
    dev->set_identity({"", "2.7", 1});
    DeviceSession s(std::move(dev), kqps_dialect());
    EXPECT_EQ(s.ask("VER:?"), "#VER:2.7.0");
    EXPECT_EQ(s.ask("BDNCH:?"), "#BDNCH:1");
    EXPECT_EQ(s.ask("MWVR:12.500000"), "#AK");
    EXPECT_EQ(s.ask("MWIR:5.000000"), "#AK");
    EXPECT_EQ(s.ask("MON"), "#AK");
    s.after(100ms); // MSRV 50 V/s: 5 V of the way
    EXPECT_EQ(s.ask("MRV:?"), "#MRV:5.000");
    EXPECT_EQ(std::stoul(s.value("MST:?")), 1u | 2u | 8u); // on, ramping, voltage loop
    s.after(1s);
    EXPECT_EQ(s.ask("MRV:?"), "#MRV:12.500");
    EXPECT_EQ(s.ask("MRI:?"), "#MRI:1.250"); // 10 ohm
    EXPECT_EQ(std::stoul(s.value("MST:?")), 1u | 8u);

    EXPECT_EQ(s.ask("MWIR:0.5"), "#AK"); // 5 V across the load: the current loop takes over
    s.after(1s);
    EXPECT_EQ(s.ask("MRV:?"), "#MRV:5.000");
    EXPECT_EQ(std::stoul(s.value("MST:?")), 1u | 4u);

    EXPECT_EQ(s.ask("MWV:100"), "#AK"); // at once, and the ramped target with it
    EXPECT_EQ(s.ask("MWVR:?"), "#MWVR:100.000");
    EXPECT_EQ(s.ask("MWV:?"), "#MWV:100.000");
    EXPECT_EQ(s.ask("MWVR:300.5"), "#NAK:VAL");
    EXPECT_EQ(s.ask("MRV:3"), "#NAK:CMD"); // a monitor is not written
    EXPECT_EQ(s.ask("MRESET:?"), "#NAK:CMD");
    EXPECT_EQ(s.ask("MRT:1:?").rfind("#MRT:", 0), 0u);
    EXPECT_EQ(s.ask("LOOP:1"), "#AK"); // a switch written as an integer
    EXPECT_EQ(s.ask("LOOP:?"), "#LOOP:I");
    EXPECT_EQ(s.ask("LOOP:2"), "#NAK:VAL");
    EXPECT_EQ(s.ask("UPMODE:ANALOG"), "#AK");
    EXPECT_TRUE(std::stoul(s.value("MST:?")) & 128u);
    EXPECT_EQ(s.ask("MOFF"), "#AK");
    s.after(20ms);
    EXPECT_EQ(s.ask("MRV:?"), "#MRV:0.000");
}

TEST(KqpsModel, InterlockAndTemperatureAlarmsHoldUntilReset) {
    DeviceSession s(make_kqps(), kqps_dialect());
    s.ask("MWV:50");
    s.ask("MWI:10");
    ASSERT_EQ(s.ask("MON"), "#AK");
    s.after(20ms);
    ASSERT_TRUE(s.panel("INTERLOCK", -1, "open"));
    s.after(20ms);
    EXPECT_EQ(std::stoul(s.value("MST:?")), 16u | 64u); // interlock, alarm; off
    EXPECT_EQ(s.ask("MON"), "#NAK:CMD");
    ASSERT_TRUE(s.panel("INTERLOCK", -1, "closed"));
    EXPECT_EQ(s.ask("MON"), "#NAK:CMD"); // the alarm holds until MRESET
    EXPECT_EQ(s.ask("MRESET"), "#AK");
    EXPECT_EQ(s.ask("MON"), "#AK");
    s.after(20ms);
    EXPECT_EQ(std::stoul(s.value("MST:?")) & 1u, 1u);

    ASSERT_TRUE(s.panel("AMBIENT", -1, "85"));
    s.after(20ms);
    EXPECT_EQ(std::stoul(s.value("MST:?")), 32u | 64u);
    ASSERT_TRUE(s.panel("AMBIENT", -1, "25"));
    EXPECT_EQ(s.ask("MRESET"), "#AK");
    EXPECT_EQ(std::stoul(s.value("MST:?")), 0u);
}

TEST(ZbkModel, SuppliesResolutionsAndOverCurrentTrips) {
    DeviceSession s(make_zbk(2), unaddressed_dialect());
    EXPECT_EQ(s.value("$CMD:MON,PAR:V48RES"), "0.05");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:I5RES"), "0.05");
    EXPECT_EQ(s.ask("$CMD:MON,PAR:BDSNUM"), "#PAR:ERR"); // it has none
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:ON"), "#CMD:OK");
    s.after(100ms);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:1,PAR:STAT")), 1u | 16u); // on, ramping
    s.after(500ms);
    EXPECT_EQ(s.value("$CMD:MON,CH:2,PAR:V5"), "0.00;5.00");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:V48"), "48.00");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:VFAN"), "12.00");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:I48"), "2.00");
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:IFAN"), "0.50");
    EXPECT_EQ(s.value("$CMD:MON,CH:2,PAR:STAT"), "00000;00001");
    ASSERT_TRUE(s.panel("LOAD5", 1, "3")); // 1.667 A, read in steps of 0.05 A
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:I5"), "1.65");
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:V48,VAL:10"), "#CMD:ERR"); // a monitor

    ASSERT_TRUE(s.panel("LOAD48", 1, "10")); // 4.8 A: above the 48 V trip
    s.after(20ms);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:1,PAR:STAT")), 4u);
    EXPECT_EQ(s.value("$CMD:MON,CH:1,PAR:V5"), "0.00");
    ASSERT_TRUE(s.panel("LOAD48", 1, "24"));
    EXPECT_EQ(s.ask("$CMD:SET,CH:1,PAR:ON"), "#CMD:OK"); // the next ON restarts it
    s.after(1s);
    EXPECT_EQ(std::stoul(s.value("$CMD:MON,CH:1,PAR:STAT")), 1u);
}
