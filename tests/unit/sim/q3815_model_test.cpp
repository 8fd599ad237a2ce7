// The simulated high-voltage module over simulated time: ramps, current
// limiting, trips, interlock and alarm, as a client sees them in VMON, IMON,
// STAT and BDALARM.
#include <gtest/gtest.h>

#include <chrono>

#include "devices/q3815.h"
#include "engine/execute.h"
#include "wire/dialect.h"

using namespace sim;
using namespace std::chrono_literals;
namespace st = sim::q3815_stat;

namespace {

class Q3815Model : public ::testing::Test {
protected:
    void SetUp() override {
        dev = make_q3815(4);
        t = Clock::now();
        dev->advance(t);
    }
    // One wire exchange; returns the value text of a monitor or "OK".
    std::string wire(const std::string& cmd) {
        std::string r = respond(*dev, addressed_dialect(), addressed_dialect().parse("$BD:00," + cmd));
        EXPECT_NE(r.find("CMD:OK"), std::string::npos) << cmd << " -> " << r;
        auto v = r.find("VAL:");
        return v == std::string::npos ? "OK" : r.substr(v + 4, r.size() - v - 6);
    }
    void after(Clock::duration d) {
        t += d;
        dev->advance(t);
    }
    unsigned stat(int ch) { return std::stoul(wire("CMD:MON,CH:" + std::to_string(ch) + ",PAR:STAT")); }
    std::string vmon(int ch) { return wire("CMD:MON,CH:" + std::to_string(ch) + ",PAR:VMON"); }
    // What a client derives as Pw: bit 0, unless bit 2 is set.
    static int pw(unsigned s) { return (s & 4) ? 0 : (s & 1); }

    std::unique_ptr<Device> dev;
    Clock::time_point t;
};

} // namespace

TEST_F(Q3815Model, RampsAtItsRatesWithMatchingStatusBits) {
    wire("CMD:SET,CH:1,PAR:VSET,VAL:100.0");
    wire("CMD:SET,CH:1,PAR:RUP,VAL:050");
    wire("CMD:SET,CH:1,PAR:RDW,VAL:100");
    EXPECT_EQ(stat(1), 0u);
    wire("CMD:SET,CH:1,PAR:ON");
    after(1s);
    EXPECT_EQ(vmon(1), "0050.0");
    EXPECT_EQ(stat(1), st::On | st::RampUp);
    EXPECT_EQ(vmon(0), "0000.0"); // the other channels stay where they are
    after(3s);
    EXPECT_EQ(vmon(1), "0100.0");
    EXPECT_EQ(stat(1), st::On);
    EXPECT_EQ(wire("CMD:MON,CH:1,PAR:IMON"), "0001.00"); // 100 V over 100 MOhm

    // Lowering the set point while on ramps down but stays "on" for a client.
    wire("CMD:SET,CH:1,PAR:VSET,VAL:040.0");
    after(300ms);
    EXPECT_EQ(vmon(1), "0070.0");
    EXPECT_EQ(pw(stat(1)), 1);

    wire("CMD:SET,CH:1,PAR:OFF");
    after(200ms);
    EXPECT_EQ(vmon(1), "0050.0");
    EXPECT_EQ(stat(1), st::RampDown);
    EXPECT_EQ(pw(stat(1)), 0);
    after(2s);
    EXPECT_EQ(vmon(1), "0000.0");
    EXPECT_EQ(stat(1), 0u);
}

TEST_F(Q3815Model, OutputStopsAtMaxV) {
    wire("CMD:SET,CH:0,PAR:MAXV,VAL:0050");
    wire("CMD:SET,CH:0,PAR:VSET,VAL:100.0");
    wire("CMD:SET,CH:0,PAR:RUP,VAL:500");
    wire("CMD:SET,CH:0,PAR:ON");
    after(1s);
    EXPECT_EQ(vmon(0), "0050.0");
    EXPECT_EQ(stat(0), st::On | st::MaxV);
}

TEST_F(Q3815Model, CurrentLimitTripsAfterTripTimeAndAlarmLatches) {
    ASSERT_TRUE(dev->panel_set("LOAD", 2, "1")); // 1 MOhm: 1 uA per volt
    wire("CMD:SET,CH:2,PAR:ISET,VAL:0050.00");
    wire("CMD:SET,CH:2,PAR:VSET,VAL:0100.0");
    wire("CMD:SET,CH:2,PAR:RUP,VAL:500");
    wire("CMD:SET,CH:2,PAR:TRIP,VAL:0001.0");
    wire("CMD:SET,CH:2,PAR:ON");
    after(200ms);
    EXPECT_EQ(vmon(2), "0050.0"); // held at ISET x LOAD
    EXPECT_EQ(wire("CMD:MON,CH:2,PAR:IMON"), "0050.00");
    EXPECT_EQ(stat(2), st::On | st::OverCurrent | st::UnderVoltage);
    EXPECT_EQ(wire("CMD:MON,PAR:BDALARM"), "00000");

    after(1100ms);
    unsigned s = stat(2);
    EXPECT_TRUE(s & st::Tripped);
    EXPECT_FALSE(s & st::On);
    EXPECT_EQ(pw(s), 0);
    EXPECT_EQ(wire("CMD:MON,PAR:BDALARM"), "00004"); // channel 2's alarm bit

    after(5s);
    EXPECT_EQ(vmon(2), "0000.0");
    EXPECT_EQ(stat(2), st::Tripped); // latched after the ramp-down
    wire("CMD:SET,PAR:BDCLR");
    EXPECT_EQ(stat(2), 0u);
    EXPECT_EQ(wire("CMD:MON,PAR:BDALARM"), "00000");

    // In kill mode the trip drops the output at once.
    wire("CMD:SET,CH:2,PAR:PDWN,VAL:KILL");
    wire("CMD:SET,CH:2,PAR:ON");
    after(1500ms);
    EXPECT_EQ(vmon(2), "0000.0");
    EXPECT_EQ(stat(2), st::Tripped | st::Kill);
}

TEST_F(Q3815Model, InterlockHoldsChannelsOff) {
    wire("CMD:SET,CH:0,PAR:VSET,VAL:0100.0");
    wire("CMD:SET,CH:0,PAR:ON");
    after(2s);
    EXPECT_EQ(wire("CMD:MON,PAR:BDILK"), "NO");
    // The connector is closed: making CLOSED the firing state fires it.
    wire("CMD:SET,PAR:BDILKM,VAL:CLOSED");
    after(100ms);
    EXPECT_EQ(wire("CMD:MON,PAR:BDILK"), "YES");
    EXPECT_TRUE(stat(0) & st::Interlock);
    EXPECT_EQ(pw(stat(0)), 0);
    wire("CMD:SET,CH:0,PAR:ON"); // accepted, but the interlock wins
    after(100ms);
    EXPECT_EQ(pw(stat(0)), 0);
    ASSERT_TRUE(dev->panel_set("BDILK", -1, "NO"));
    EXPECT_EQ(wire("CMD:MON,PAR:BDILK"), "NO");
    wire("CMD:SET,CH:0,PAR:ON");
    EXPECT_EQ(pw(stat(0)), 1);
}

TEST_F(Q3815Model, CurrentRangeSetsMonitorDecimals) {
    ASSERT_TRUE(dev->panel_set("VMON", 3, "12.3456"));
    EXPECT_EQ(wire("CMD:MON,CH:3,PAR:IMDEC"), "2");
    EXPECT_EQ(wire("CMD:MON,CH:3,PAR:IMRANGE"), "HIGH");
    EXPECT_EQ(wire("CMD:MON,CH:3,PAR:IMON"), "0000.12");
    wire("CMD:SET,CH:3,PAR:IMRANGE,VAL:LOW");
    EXPECT_EQ(wire("CMD:MON,CH:3,PAR:IMDEC"), "4");
    EXPECT_EQ(wire("CMD:MON,CH:3,PAR:IMON"), "0000.1235");
    EXPECT_EQ(wire("CMD:MON,CH:0,PAR:IMDEC"), "2"); // per channel
}
