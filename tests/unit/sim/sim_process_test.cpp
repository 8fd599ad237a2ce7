// zevahv-sim as a client meets it: a child process on a loopback port or a
// pseudo-terminal, its replies byte for byte, its control channel and its
// fault modes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "refusal_class.h"
#include "sim_output.h"
#include "sim_process.h"
#include "wire_client.h"

namespace {

// What a client accepts as a monitor reply for board `board`: "OK", three
// ","-pieces of 6, 6 and more than 4 characters, the board number, "OK" after
// the second ':'. Returns the value, or "<rejected>".
std::string accepted_value(const std::string& reply, int board) {
    if (reply.find("OK") == std::string::npos) return "<rejected>";
    size_t c1 = reply.find(','), c2 = reply.find(',', c1 + 1);
    if (c1 != 6 || c2 != 13 || reply.size() - c2 - 1 <= 4) return "<rejected>";
    if (std::atoi(reply.substr(4, 2).c_str()) != board) return "<rejected>";
    if (reply.substr(7, 6) != "CMD:OK" || reply.substr(c2 + 1, 4) != "VAL:") return "<rejected>";
    return reply.substr(c2 + 5);
}

// Waits until the simulator has received `n` command lines.
bool received(SimProcess& sim, int n) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (sim.control("count") == "OK " + std::to_string(n)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

WireClient connect_to(const SimProcess& sim) {
    auto c = WireClient::tcp(sim.port());
    if (!c) throw std::runtime_error("cannot connect to the simulator");
    return std::move(*c);
}

} // namespace

TEST(SimProcess, RepliesAsAClientParsesThemAndLogsBothWays) {
    auto sim = SimProcess::start("q3815", {"--boards", "4", "--serial", "77", "--fwrel", "2.7"});
    auto c = connect_to(*sim);
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,PAR:BDNAME"), 4), "Q3815");
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,PAR:BDNCH"), 4), "4");
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,PAR:BDFREL"), 4), "2.7");
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,PAR:BDSNUM"), 4), "77");
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,CH:0,PAR:VMAX"), 4), "8000");
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,CH:2,PAR:VMON"), 4), "0000.0");
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,CH:4,PAR:STAT"), 4),
              "00000;00000;00000;00000");
    EXPECT_EQ(*c.ask("$BD:04,CMD:SET,CH:1,PAR:VSET,VAL:100.5"), "#BD:04,CMD:OK");
    EXPECT_EQ(accepted_value(*c.ask("$BD:04,CMD:MON,CH:4,PAR:VSET"), 4),
              "0000.0;0100.5;0000.0;0000.0");

    EXPECT_EQ(reply_class(*c.ask("$BD:04,CMD:MON,PAR:NOSUCH")), kPar);
    EXPECT_EQ(reply_class(*c.ask("$BD:04,CMD:MON,CH:5,PAR:VMON")), kCh);
    EXPECT_EQ(reply_class(*c.ask("$BD:04,CMD:SET,CH:0,PAR:RUP,VAL:0")), kVal);
    EXPECT_EQ(reply_class(*c.ask("$BD:04,CMD:NOP,PAR:VMON")), kCmd);

    auto log = sim->log_lines();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "> $BD:04,CMD:MON,PAR:BDNAME");
    EXPECT_EQ(log[1], "< #BD:04,CMD:OK,VAL:Q3815");
    EXPECT_EQ(sim->control("count"), "OK 13");
}

TEST(SimProcess, ManyClientsShareOneModuleState) {
    auto sim = SimProcess::start("p731x", {"--model", "P731XBC"});
    auto a = connect_to(*sim);
    auto b = connect_to(*sim);
    EXPECT_EQ(*a.ask("$BD:00,CMD:SET,CH:7,PAR:FGAIN,VAL:007"), "#BD:00,CMD:OK");
    EXPECT_EQ(accepted_value(*b.ask("$BD:00,CMD:MON,CH:7,PAR:FGAIN"), 0), "007");
    EXPECT_EQ(accepted_value(*b.ask("$BD:00,CMD:MON,PAR:BDNAME"), 0), "P731XBC");
    std::string all = accepted_value(*a.ask("$BD:00,CMD:MON,CH:16,PAR:FGAIN"), 0);
    EXPECT_EQ(all, "128;128;128;128;128;128;128;007;128;128;128;128;128;128;128;128");
    EXPECT_EQ(reply_class(*a.ask("$BD:00,CMD:MON,CH:17,PAR:FGAIN")), kCh);
    EXPECT_EQ(reply_class(*a.ask("$BD:00,CMD:SET,CH:3,PAR:SHAPE,VAL:4")), kVal);
    EXPECT_EQ(reply_class(*a.ask("$BD:00,CMD:SET,PAR:LASTCH,VAL:1")), kCmd);
}

TEST(SimProcess, ControlChannelActsAsTheFrontPanel) {
    auto sim = SimProcess::start("q2904", {"--local"});
    auto c = connect_to(*sim);
    EXPECT_EQ(reply_class(*c.ask("$BD:00,CMD:SET,CH:3,PAR:THR,VAL:1200")), kLoc);
    EXPECT_EQ(sim->control("set 0 THR 3 1200"), "OK"); // local control: the panel may
    EXPECT_EQ(sim->control("get 0 THR 3"), "OK 1200");
    EXPECT_EQ(accepted_value(*c.ask("$BD:00,CMD:MON,CH:3,PAR:THR"), 0), "1200");
    EXPECT_EQ(sim->control("set 0 THR 3 5000"), "ERR VAL");
    EXPECT_EQ(sim->control("set 0 THR -1 5"), "ERR CH");
    EXPECT_EQ(sim->control("set 9 THR 3 5"), "ERR no board 9");
    EXPECT_EQ(sim->control("set 0 NAME 2 Left"), "OK");
    EXPECT_EQ(accepted_value(*c.ask("$BD:00,CMD:MON,CH:2,PAR:NAME"), 0), "Left");
    EXPECT_EQ(sim->control("local 0 off"), "OK");
    EXPECT_EQ(*c.ask("$BD:00,CMD:SET,CH:3,PAR:THR,VAL:0001"), "#BD:00,CMD:OK");
    EXPECT_EQ(sim->control("get 0 THR 16").substr(0, 8), "OK 100;1");
    EXPECT_EQ(sim->control("count reset"), "OK");
    EXPECT_EQ(sim->control("count"), "OK 0");
    EXPECT_EQ(sim->control("frobnicate").substr(0, 3), "ERR");
}

TEST(SimProcess, HighVoltageRampsInRealTime) {
    auto sim = SimProcess::start("q3815", {"--channels", "2"});
    auto c = connect_to(*sim);
    ASSERT_EQ(*c.ask("$BD:00,CMD:SET,CH:1,PAR:VSET,VAL:050.0"), "#BD:00,CMD:OK");
    ASSERT_EQ(*c.ask("$BD:00,CMD:SET,CH:1,PAR:RUP,VAL:500"), "#BD:00,CMD:OK");
    ASSERT_EQ(*c.ask("$BD:00,CMD:SET,CH:1,PAR:ON"), "#BD:00,CMD:OK");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string v;
    while (std::chrono::steady_clock::now() < deadline) {
        v = accepted_value(*c.ask("$BD:00,CMD:MON,CH:1,PAR:VMON"), 0);
        if (v == "0050.0") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(v, "0050.0");
    EXPECT_EQ(accepted_value(*c.ask("$BD:00,CMD:MON,CH:2,PAR:STAT"), 0), "00000;00001");
}

TEST(SimProcess, BoardsShareOnePseudoTerminalLine) {
    auto sim = SimProcess::start("q2906", {"--pty", "--boards", "0,3,5"});
    ASSERT_FALSE(sim->pty_path().empty());
    auto line = WireClient::serial(sim->pty_path());
    ASSERT_TRUE(line);
    EXPECT_EQ(accepted_value(*line->ask("$BD:03,CMD:MON,PAR:SERNUM"), 3), "1002");
    EXPECT_EQ(*line->ask("$BD:05,CMD:SET,CH:0,PAR:AUXCGAIN,VAL:2"), "#BD:05,CMD:OK");
    EXPECT_EQ(accepted_value(*line->ask("$BD:05,CMD:MON,CH:0,PAR:AUXCGAIN"), 5), "2");
    EXPECT_EQ(accepted_value(*line->ask("$BD:00,CMD:MON,CH:0,PAR:AUXCGAIN"), 0), "0");
    EXPECT_EQ(accepted_value(*line->ask("$BD:05,CMD:MON,CH:0,PAR:AUXFGAIN"), 5), "96");
    // Nobody answers for address 1: the next line on the wire is board 0's.
    ASSERT_TRUE(line->send_line("$BD:01,CMD:MON,PAR:BDNAME"));
    EXPECT_EQ(accepted_value(*line->ask("$BD:00,CMD:MON,PAR:BDNAME"), 0), "Q2906");
    EXPECT_EQ(sim->control("count"), "OK 7");
}

TEST(SimProcess, FaultModesAndTheExchangeAfterThem) {
    auto sim = SimProcess::start("q3815");
    const std::string name = "$BD:00,CMD:MON,PAR:BDNAME";
    const std::string good = "#BD:00,CMD:OK,VAL:Q3815";
    auto c = connect_to(*sim);

    EXPECT_EQ(sim->control("fault-once wrong-board"), "OK");
    EXPECT_EQ(*c.ask(name), "#BD:01,CMD:OK,VAL:Q3815");
    EXPECT_EQ(*c.ask(name), good); // once only

    EXPECT_EQ(sim->control("fault-once long-line 5000"), "OK");
    ASSERT_TRUE(c.send_line(name));
    auto longline = c.read_line(5000);
    ASSERT_TRUE(longline);
    EXPECT_EQ(longline->size(), 5000u);
    EXPECT_EQ(longline->substr(0, good.size()), good);
    EXPECT_EQ(longline->substr(4998), "\r\n");
    EXPECT_EQ(*c.ask(name), good);

    EXPECT_EQ(sim->control("fault-once garbage"), "OK");
    auto noise = *c.ask(name);
    EXPECT_EQ(reply_class(noise), -1);
    EXPECT_EQ(*c.ask(name), good);

    // Silent: the command arrives (counted, logged) and nothing comes back;
    // the next line on the stream answers the next command.
    EXPECT_EQ(sim->control("fault-once silent"), "OK");
    ASSERT_TRUE(c.send_line("$BD:00,CMD:MON,PAR:BDNCH"));
    EXPECT_EQ(*c.ask(name), good);

    EXPECT_EQ(sim->control("fault-once no-eol"), "OK");
    ASSERT_TRUE(c.send_line(name));
    EXPECT_FALSE(c.read_line(300));
    EXPECT_EQ(c.last_partial(), good);
    EXPECT_EQ(*c.ask(name), good + good); // the missing end glues the two

    EXPECT_EQ(sim->control("fault-once delay 300"), "OK");
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(*c.ask(name), good);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(290));

    EXPECT_EQ(sim->control("fault-once close-midline"), "OK");
    ASSERT_TRUE(c.send_line(name));
    EXPECT_TRUE(c.closed_within(5000));
    auto again = connect_to(*sim); // the server keeps serving
    EXPECT_EQ(*again.ask(name), good);

    EXPECT_EQ(sim->control("count reset"), "OK");
    EXPECT_EQ(sim->control("fault silent"), "OK");
    ASSERT_TRUE(again.send_line(name));
    ASSERT_TRUE(again.send_line(name));
    ASSERT_TRUE(received(*sim, 2));
    EXPECT_EQ(sim->control("fault none"), "OK");
    EXPECT_EQ(*again.ask(name), good);
    EXPECT_EQ(sim->control("fault bogus").substr(0, 3), "ERR");
    EXPECT_EQ(sim->control("fault long-line x").substr(0, 3), "ERR");

    // Every line received is logged, also those that got no reply.
    auto log = sim->log_lines();
    int in = 0, out = 0;
    for (const auto& l : log) {
        in += l.rfind("> ", 0) == 0;
        out += l.rfind("< ", 0) == 0;
    }
    EXPECT_EQ(in, 16);
    EXPECT_EQ(out, 13);
}

TEST(SimProcess, StartOptionFaultsAndBadCommandLines) {
    {
        auto sim = SimProcess::start("p731x", {"--silent"});
        auto c = connect_to(*sim);
        ASSERT_TRUE(c.send_line("$BD:00,CMD:MON,PAR:BDNAME"));
        ASSERT_TRUE(received(*sim, 1));
        EXPECT_EQ(sim->control("fault none"), "OK");
        EXPECT_EQ(*c.ask("$BD:00,CMD:MON,PAR:OFFSET"), "#BD:00,CMD:OK,VAL:128");
    }
    const std::string bin = SimProcess::binary_path();
    for (const char* bad : {"", " nosuchdevice", " q3815 --channels 9", " p731x --channels 2",
                            " q3815 --boards 1,1", " q3815 --tcp localhost:0", " q3815 --bogus"}) {
        int rc = std::system((bin + bad + " </dev/null >/dev/null 2>&1").c_str());
        ASSERT_TRUE(WIFEXITED(rc)) << bad;
        EXPECT_EQ(WEXITSTATUS(rc), 2) << bad;
    }
    auto output_of = [](const std::string& args) {
        int status = -1;
        std::string text = sim_output(args, &status);
        EXPECT_EQ(status, 0) << args;
        return text;
    };
    std::string text = output_of(" --help");
    for (const char* word : {"q3815", "p731x", "q2904", "q2906", "--tcp", "--pty", "--boards",
                             "--model", "--channels", "--serial", "--fwrel", "--local", "--log",
                             "--silent", "--delay", "--garble", "close-midline", "long-line",
                             "no-eol", "wrong-board", "garbage", "fault-once", "count",
                             "--control", "READY"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    // A device's page: its words and the values its switches mean.
    text = output_of(" q2906 --help");
    EXPECT_NE(text.find("AUXCGAIN"), std::string::npos);
    text = output_of(" p731x --help");
    EXPECT_NE(text.find("(1 inverted, 0 direct)"), std::string::npos);
    EXPECT_NE(text.find("(1 negative, 0 positive)"), std::string::npos);
    text = output_of(" q2904 --help");
    EXPECT_NE(text.find("(1 disabled, 0 enabled)"), std::string::npos);
}
