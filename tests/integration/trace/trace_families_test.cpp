// ZEVAHV_TRACE as a user debugging a device sets it: every kind of exchange
// shows up in the trace, with its bytes and result, and nothing else about
// the run changes; unset or unusable, there is no trace and no harm.
#include <gtest/gtest.h>

#include <regex>

#include "comm_stand_in.h"
#include "sim_process.h"
#include "trace_run.h"

namespace {

// Every trace line has the same shape: time, system, kind, direction,
// length or call, ..., result.
void expect_well_formed(const std::vector<std::string> &lines) {
    static const std::regex line(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{6} \S+ (link|late|event|request|reply|comm|legacy) \S+ .* = -?\d+$)");
    for (const auto &l : lines) EXPECT_TRUE(std::regex_match(l, line)) << l;
}

std::vector<std::string> module_system(const SimProcess &sim) {
    return {"--system", "q2906", "--link", "tcp", "--address", sim.tcp_arg(0)};
}

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(Trace, ModuleExchangesAndThePolledEventFramesAppear) {
    auto sim = SimProcess::start("q2906", {"--tcp", "127.0.0.1:0"});
    TraceFolder dir;
    const std::string file = dir.path() + "/trace.log";
    const TraceRun run = dir.zevahv(
        {"ZEVAHV_TRACE=" + file},
        with(module_system(*sim), {"monitor", "0.0.Threshold", "--count", "1", "--timeout", "20"}));
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto lines = dir.lines("trace.log");
    expect_well_formed(lines);
    const std::string link = "tcp:127.0.0.1:" + std::to_string(sim->port());
    // Commands as text, each with its reply.
    const auto out = lines_with(lines, {" " + link + " link -> ", "\"$BD:00,CMD:MON,"});
    const auto in = lines_with(lines, {" " + link + " link <- ", "CMD:OK", "\\r\\n\" = 0"});
    EXPECT_FALSE(out.empty());
    EXPECT_GE(in.size(), out.size());
    // The event connection: the identification text, then a frame of one
    // record, as hex.
    const std::string ident = sim->tcp_arg(0);
    EXPECT_EQ(lines_with(lines, {" " + ident + " event -> ", "\"" + ident + "\\0\" = 0"}).size(), 1u);
    EXPECT_FALSE(lines_with(lines, {" " + ident + " event -> 1070 hex 5a455641 4856"}).empty());
}

TEST(Trace, RegisterAccessCallsAppear) {
    TraceFolder dir;
    const std::string file = dir.path() + "/trace.log";
    const TraceRun run = dir.zevahv(
        {"ZEVAHV_TRACE=" + file, std::string("ZEVAHV_COMM_LIBRARY=") + CommStandIn::library_path(),
         "ZEVACOMM_MODEL=w40xx", "ZEVACOMM_LOG=", "ZEVACOMM_CONTROL="},
        {"--system", "w40xx", "--link", "usb", "--address", "0_0_32100000", "get", "0", "VSet",
         "--channel", "0"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto lines = dir.lines("trace.log");
    expect_well_formed(lines);
    EXPECT_EQ(lines_with(lines, {" ZEVA_W40XX_HVL_000 comm OpenDevice2 ", "= 0"}).size(), 1u);
    // VSet of channel 0 lies at 0x80.
    EXPECT_FALSE(lines_with(lines, {" ZEVA_W40XX_HVL_000 comm Read16 0x00000080 -> 0x"}).empty());
    EXPECT_EQ(lines_with(lines, {" ZEVA_W40XX_HVL_000 comm CloseDevice ", "= 0"}).size(), 1u);
}

// Unset, empty, on stderr, or naming a file that cannot be made: the same
// answer every time, and a trace only where one was asked for.
TEST(Trace, OffByDefaultOnStderrOnRequestAndABadPathHarmsNothing) {
    auto sim = SimProcess::start("q2906", {"--tcp", "127.0.0.1:0"});
    TraceFolder dir;
    const auto get = with(module_system(*sim), {"get", "0", "Threshold", "--channel", "0"});

    const TraceRun plain = dir.zevahv({}, get);
    ASSERT_EQ(plain.exit_code, 0) << plain.err;
    EXPECT_EQ(plain.err.find(" link "), std::string::npos) << plain.err;

    const TraceRun empty = dir.zevahv({"ZEVAHV_TRACE="}, get);
    EXPECT_EQ(empty.exit_code, 0);
    EXPECT_EQ(empty.out, plain.out);
    EXPECT_EQ(empty.err.find(" link "), std::string::npos) << empty.err;

    const TraceRun on_stderr = dir.zevahv({"ZEVAHV_TRACE=stderr"}, get);
    EXPECT_EQ(on_stderr.exit_code, 0);
    EXPECT_EQ(on_stderr.out, plain.out);
    EXPECT_NE(on_stderr.err.find(" link -> "), std::string::npos);

    const TraceRun bad =
        dir.zevahv({"ZEVAHV_TRACE=" + dir.path() + "/no/such/folder/trace.log"}, get);
    EXPECT_EQ(bad.exit_code, 0) << bad.err;
    EXPECT_EQ(bad.out, plain.out);
    EXPECT_NE(bad.err.find("cannot be opened"), std::string::npos) << bad.err;
    EXPECT_FALSE(dir.exists("no"));
}
