// The five newer simulators as a client meets them: a child process on a
// loopback port or a pseudo-terminal, raw lines in their own forms, the
// control channel and the fault modes that apply to them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "sim_output.h"
#include "sim_process.h"
#include "wire_client.h"

namespace {

WireClient tcp_to(const SimProcess& sim) {
    auto c = WireClient::tcp(sim.port());
    if (!c) throw std::runtime_error("cannot connect to the simulator");
    return std::move(*c);
}

WireClient line_of(const SimProcess& sim) {
    auto c = WireClient::serial(sim.pty_path());
    if (!c) throw std::runtime_error("cannot open " + sim.pty_path());
    return std::move(*c);
}

// Asks until the reply is `want` (a value that moves towards it in real
// time), for at most 10 s; the last reply.
std::string ask_until(WireClient& c, const std::string& line, const std::string& want) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string last;
    while (std::chrono::steady_clock::now() < deadline) {
        last = c.ask(line).value_or("<no reply>");
        if (last == want) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return last;
}

} // namespace

TEST(FamilySims, Rd40xxeOverTcpAndItsSerialLine) {
    auto sim = SimProcess::start("rd40xxe", {"--serial", "4021", "--fwrel", "3.1"});
    auto c = tcp_to(*sim);
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:BDNAME"), "#CMD:OK,VAL:RD4020E");
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:BDSNUM"), "#CMD:OK,VAL:4021");
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:BDFREL"), "#CMD:OK,VAL:3.1");
    EXPECT_EQ(*c.ask("$CMD:MON,CH:1,PAR:VMON"), "#CMD:OK,VAL:0000.0");
    EXPECT_EQ(*c.ask("$CMD:MON,CH:3,PAR:VMON"), "#CH:ERR");
    EXPECT_EQ(*c.ask("$BD:00,CMD:MON,PAR:BDNAME"), "#CMD:ERR");
    EXPECT_EQ(sim->control("set 0 VSET 1 120"), "OK");
    EXPECT_EQ(*c.ask("$CMD:MON,CH:2,PAR:VSET"), "#CMD:OK,VAL:0000.0;0120.0");
    EXPECT_EQ(sim->control("local 0 on"), "OK");
    EXPECT_EQ(*c.ask("$CMD:SET,CH:0,PAR:ON"), "#LOC:ERR");
    EXPECT_EQ(sim->control("fault wrong-board").substr(0, 3), "ERR"); // replies name nobody
    EXPECT_EQ(sim->control("fault-once no-eol"), "OK");
    ASSERT_TRUE(c.send_line("$CMD:MON,PAR:BDNCH"));
    EXPECT_FALSE(c.read_line(200));
    EXPECT_EQ(c.last_partial(), "#CMD:OK,VAL:2");

    auto pty = SimProcess::start("rd40xxe", {"--pty", "--no-range"});
    auto line = line_of(*pty);
    EXPECT_EQ(*line.ask("$CMD:MON,CH:0,PAR:IMRANGE"), "#PAR:ERR");
    EXPECT_EQ(*line.ask("$CMD:MON,CH:0,PAR:IMAXH"), "#CMD:OK,VAL:3000");
    EXPECT_EQ(pty->control("count"), "OK 2");
}

TEST(FamilySims, W7300CrateOverTcpAndItsSerialLine) {
    auto sim = SimProcess::start("w7300", {"--channels", "2", "--model", "W7300B"});
    auto c = tcp_to(*sim);
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:CRNAME"), "#CMD:OK,VAL:W7300B");
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:NUMCH"), "#CMD:OK,VAL:2");
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:PSSNUM"), "#CMD:OK,VAL:1001");
    EXPECT_EQ(*c.ask("$CMD:SET,CH:1,PAR:VSET,VAL:4.50"), "#CMD:OK");
    EXPECT_EQ(*c.ask("$CMD:SET,PAR:ON"), "#CMD:OK");
    EXPECT_EQ(ask_until(c, "$CMD:MON,CH:2,PAR:VMON", "#CMD:OK,VAL:05.00;04.50"),
              "#CMD:OK,VAL:05.00;04.50");
    EXPECT_EQ(*c.ask("$CMD:MON,CH:2,PAR:STAT"), "#CMD:OK,VAL:00001;00001");
    EXPECT_EQ(sim->control("set 0 PSTEMP -1 80"), "OK"); // overheated
    EXPECT_EQ(ask_until(c, "$CMD:MON,PAR:CRST", "#CMD:OK,VAL:00004"), "#CMD:OK,VAL:00004");
    EXPECT_EQ(sim->control("get 0 Pw -1"), "OK Off");
    EXPECT_EQ(sim->control("set 0 NAME 1 Rack-A"), "OK");
    EXPECT_EQ(*c.ask("$CMD:MON,CH:1,PAR:NAME"), "#CMD:OK,VAL:Rack-A");

    auto pty = SimProcess::start("w7300", {"--pty"});
    auto line = line_of(*pty);
    EXPECT_EQ(*line.ask("$CMD:MON,PAR:NUMCH"), "#CMD:OK,VAL:8");
    EXPECT_EQ(*line.ask("$CMD:MON,CH:7,PAR:VMAX"), "#CMD:OK,VAL:52.80");
    EXPECT_EQ(*line.ask("$CMD:MON,PAR:VRES"), "#CMD:OK,VAL:2");
}

TEST(FamilySims, LumenhvDescribesItselfWithAndWithoutAddresses) {
    auto sim = SimProcess::start("lumenhv", {"--boards", "0,3", "--serial", "500"});
    auto c = tcp_to(*sim);
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:BDSNUM"), "#CMD:OK,VAL:500"); // the first board
    EXPECT_EQ(*c.ask("$BD:3,CMD:MON,PAR:BDSNUM"), "#CMD:OK,VAL:501");
    EXPECT_EQ(*c.ask("$BD:3,CMD:INFO,CH:2,PAR:VSet"), "#CMD:OK,VAL:0;2;0.0;3000.0;1;;volt;;;");
    EXPECT_EQ(sim->control("set 3 VSet 2 1500"), "OK");
    EXPECT_EQ(*c.ask("$BD:3,CMD:MON,CH:2,PAR:VSet"), "#CMD:OK,VAL:1500.0");
    EXPECT_EQ(*c.ask("$CMD:MON,CH:2,PAR:VSet"), "#CMD:OK,VAL:0000.0");
    // Nobody has address 5: no answer, and the next line is answered as usual.
    ASSERT_TRUE(c.send_line("$BD:5,CMD:MON,PAR:BDNAME"));
    EXPECT_EQ(*c.ask("$BD:0,CMD:MON,PAR:BDNAME"), "#CMD:OK,VAL:LUMENHV");

    auto pty = SimProcess::start("lumenhv", {"--pty", "--describe", ZEVAHV_LUMENHV_EXAMPLE});
    auto line = line_of(*pty);
    EXPECT_EQ(*line.ask("$CMD:MON,PAR:BDNAME"), "#CMD:OK,VAL:LUMENHV-8");
    EXPECT_EQ(*line.ask("$CMD:MON,PAR:PARLIST"),
              "#CMD:OK,VAL:HVTemp;FanSpeed;Ilk;Alarms;Reset;Identify;Label");
    EXPECT_EQ(*line.ask("$CMD:INFO,CH:6,PAR:Flow"), "#CMD:OK,VAL:0;0;0.00;10.00;2;;furlong;;;");

    const std::string bin = SimProcess::binary_path();
    for (const char* bad : {" lumenhv --describe /nonexistent.json", " lumenhv --channels 3",
                            " q3815 --describe x.json"}) {
        int rc = std::system((bin + bad + " </dev/null >/dev/null 2>&1").c_str());
        EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 2) << bad;
    }
}

TEST(FamilySims, KqpsSpeaksItsOwnLanguageOverTcpOnly) {
    auto sim = SimProcess::start("kqps", {"--fwrel", "4.2"});
    auto c = tcp_to(*sim);
    EXPECT_EQ(*c.ask("MRID:?"), "#MRID:KQPS300-30");
    EXPECT_EQ(*c.ask("VER:?"), "#VER:4.2.0");
    EXPECT_EQ(*c.ask("MWI:5.000000"), "#AK");
    EXPECT_EQ(*c.ask("MWV:20.000000"), "#AK");
    EXPECT_EQ(*c.ask("MON"), "#AK");
    EXPECT_EQ(ask_until(c, "MRV:?", "#MRV:20.000"), "#MRV:20.000");
    EXPECT_EQ(*c.ask("MST:?"), "#MST:9");
    EXPECT_EQ(c.ask("MRT:2:?")->substr(0, 5), "#MRT:");
    EXPECT_EQ(*c.ask("NOSUCH:?"), "#NAK:PAR");
    EXPECT_EQ(sim->control("set 0 INTERLOCK -1 open"), "OK");
    EXPECT_EQ(ask_until(c, "MST:?", "#MST:80"), "#MST:80");
    EXPECT_EQ(*c.ask("MON"), "#NAK:CMD");

    // Another module's echo and a silent module, then the line works again.
    EXPECT_EQ(sim->control("fault-once wrong-board"), "OK");
    std::string other = *c.ask("MRV:?");
    EXPECT_EQ(other.find("#MRV"), std::string::npos) << other;
    EXPECT_EQ(sim->control("fault-once silent"), "OK");
    ASSERT_TRUE(c.send_line("MRV:?"));
    EXPECT_FALSE(c.read_line(200));
    EXPECT_EQ(*c.ask("MRID:?"), "#MRID:KQPS300-30");

    const std::string bin = SimProcess::binary_path();
    int rc = std::system((bin + " kqps --pty </dev/null >/dev/null 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 2);
}

TEST(FamilySims, ZbkOverItsSerialLineAndTcp) {
    auto pty = SimProcess::start("zbk", {"--pty", "--channels", "3"});
    auto line = line_of(*pty);
    EXPECT_EQ(*line.ask("$CMD:MON,PAR:BDNCH"), "#CMD:OK,VAL:3");
    EXPECT_EQ(*line.ask("$CMD:MON,PAR:VFANRES"), "#CMD:OK,VAL:0.05");
    EXPECT_EQ(*line.ask("$CMD:SET,CH:3,PAR:ON"), "#CMD:OK"); // every channel
    EXPECT_EQ(ask_until(line, "$CMD:MON,CH:3,PAR:V48", "#CMD:OK,VAL:48.00;48.00;48.00"),
              "#CMD:OK,VAL:48.00;48.00;48.00");
    EXPECT_EQ(pty->control("set 0 LOADFAN 2 1"), "OK"); // 12 A: the fan supply trips
    EXPECT_EQ(ask_until(line, "$CMD:MON,CH:3,PAR:STAT", "#CMD:OK,VAL:00001;00001;00008"),
              "#CMD:OK,VAL:00001;00001;00008");
    EXPECT_EQ(pty->control("get 0 LOADFAN 2"), "OK 1.00");

    auto sim = SimProcess::start("zbk");
    auto c = tcp_to(*sim);
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:BDNAME"), "#CMD:OK,VAL:ZBK");
    EXPECT_EQ(*c.ask("$CMD:MON,CH:2,PAR:I48"), "#CMD:OK,VAL:0.00;0.00");
    // A monitor follows the supply: a set of it moves nothing, and says so.
    EXPECT_EQ(sim->control("set 0 V48 1 47.5").rfind("ERR V48", 0), 0u);
    EXPECT_EQ(*c.ask("$CMD:MON,CH:1,PAR:V48"), "#CMD:OK,VAL:0.00");
    EXPECT_EQ(sim->control("set 0 ON 1 1"), "OK"); // the front panel's switch does
    EXPECT_EQ(sim->control("fault-once garbage"), "OK");
    EXPECT_EQ(c.ask("$CMD:MON,PAR:BDNAME")->find("OK"), std::string::npos);
    EXPECT_EQ(*c.ask("$CMD:MON,PAR:BDNAME"), "#CMD:OK,VAL:ZBK");
}

TEST(FamilySims, EachPageDocumentsItsWordsAndFrontPanel) {
    struct Page {
        const char* device;
        std::vector<const char*> words;
    } pages[] = {
        {"rd40xxe", {"$CMD:MON", "IMAXL", "IMDECH", "BDCLR", "LOAD <ch>", "--no-range", "7 tripped"}},
        {"w7300", {"CRNAME", "PSSNUM", "SYSR", "CLR", "VRES", "CRST", "PSTEMP -1", "FAN1..3"}},
        {"lumenhv", {"$BD:n,CMD:", "INFO", "PARCHLIST", "--describe", "role", "eight-channel.json"}},
        {"kqps", {"#AK", "#NAK", "MWVR", "MRT:1", "MRESET", "INTERLOCK", "TCP only"}},
        {"zbk", {"V5RES", "IFAN", "LOAD48", "3 fan supply over-current trip"}},
    };
    for (const auto& p : pages) {
        std::string text = sim_output(std::string(p.device) + " --help");
        for (const char* w : p.words) EXPECT_NE(text.find(w), std::string::npos) << p.device << ": " << w;
        // Every page carries what all share.
        for (const char* w : {"fault-once", "wrong-board", "count reset", "--control"})
            EXPECT_NE(text.find(w), std::string::npos) << p.device << ": " << w;
    }
}
