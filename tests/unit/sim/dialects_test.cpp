// The line dialects as a client of each form writes and reads them: what a
// line asks, whether anybody answers it, and replies a client accepts (or,
// for refusals, classifies by their one keyword).
#include <gtest/gtest.h>

#include "refusal_class.h"
#include "wire/dialect.h"

using namespace sim;

namespace {

// A client's check of an unaddressed monitor reply: "OK" somewhere, the
// first ","-piece exactly 7 characters with "OK" after its ':', the second
// longer than 4; the value after the second ':' up to any further ':'.
std::string unaddressed_value(const std::string& reply) {
    if (reply.find("OK") == std::string::npos) return "<rejected>";
    auto comma = reply.find(',');
    if (comma != 7 || reply.substr(0, 7) != "#CMD:OK") return "<rejected>";
    std::string third = reply.substr(comma + 1);
    if (third.size() <= 4) return "<rejected>";
    std::string v = third.substr(third.find(':') + 1);
    v = v.substr(0, v.find(':'));
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
    return v;
}

Command command(Verb verb, std::string word, int board = -1) {
    Command c;
    c.verb = verb;
    c.parameter = std::move(word);
    c.board = board;
    return c;
}

} // namespace

TEST(Dialects, UnaddressedLinesAreAllTheModulesOwn) {
    const Dialect& d = unaddressed_dialect();
    auto p = d.parse("$CMD:SET,CH:1,PAR:VSET,VAL:12.50");
    ASSERT_TRUE(p.answered);
    EXPECT_FALSE(p.refusal);
    EXPECT_EQ(p.command.verb, Verb::Set);
    EXPECT_EQ(p.command.channel, 1);
    EXPECT_EQ(p.command.parameter, "VSET");
    EXPECT_EQ(p.command.value, "12.50");
    EXPECT_EQ(p.command.board, -1);

    EXPECT_FALSE(d.parse("").answered); // a bare line end
    for (const char* bad : {"$BD:00,CMD:MON,PAR:VMON", "hello", "$CMD:INFO,PAR:VSET",
                            "$CMD:MON,PAR:VMON,", "$CMD:"}) {
        auto q = d.parse(bad);
        ASSERT_TRUE(q.answered) << bad;
        EXPECT_EQ(q.refusal, Refusal::Cmd) << bad;
    }
    EXPECT_EQ(d.parse("$CMD:MON,CH:x,PAR:VMON").refusal, Refusal::Ch);
    EXPECT_EQ(d.parse("$CMD:MON,PAR:").refusal, Refusal::Par);

    Command mon = command(Verb::Mon, "VMON");
    EXPECT_EQ(d.ok(mon, std::string("0100.5")), "#CMD:OK,VAL:0100.5\r\n");
    EXPECT_EQ(unaddressed_value(d.ok(mon, std::string("0100.5"))), "0100.5");
    EXPECT_EQ(d.ok(command(Verb::Set, "VSET"), std::nullopt), "#CMD:OK\r\n");
    for (Refusal r : {Refusal::Cmd, Refusal::Ch, Refusal::Par, Refusal::Val, Refusal::Loc})
        EXPECT_EQ(reply_class(d.refusal(mon, r)), static_cast<int>(r) + 1) << refusal_word(r);
    EXPECT_FALSE(d.misdirects()); // its replies name nobody
}

TEST(Dialects, LumenhvTakesBothFormsAndDescribesWords) {
    const Dialect& d = lumenhv_dialect();
    auto p = d.parse("$CMD:INFO,CH:3,PAR:VSet");
    ASSERT_TRUE(p.answered);
    EXPECT_EQ(p.command.verb, Verb::Info);
    EXPECT_EQ(p.command.board, -1);
    EXPECT_EQ(p.command.channel, 3);

    p = d.parse("$BD:3,CMD:MON,PAR:PARLIST"); // plain decimal address
    ASSERT_TRUE(p.answered);
    EXPECT_FALSE(p.refusal);
    EXPECT_EQ(p.command.board, 3);
    EXPECT_EQ(p.command.verb, Verb::Mon);
    EXPECT_EQ(d.parse("$BD:03,CMD:MON,PAR:PARLIST").command.board, 3);

    // An address nobody can have; versus a line for the board without address.
    EXPECT_FALSE(d.parse("$BD:x,CMD:MON,PAR:BDNAME").answered);
    EXPECT_FALSE(d.parse("$BD:-1,CMD:MON,PAR:BDNAME").answered);
    EXPECT_EQ(d.parse("MON,PAR:BDNAME").refusal, Refusal::Cmd);
    EXPECT_EQ(d.parse("$CMD:GET,PAR:BDNAME").refusal, Refusal::Cmd);

    // Replies never carry the address, whichever form asked.
    Command c = command(Verb::Mon, "BDNAME", 3);
    EXPECT_EQ(d.ok(c, std::string("LUMENHV")), "#CMD:OK,VAL:LUMENHV\r\n");
    EXPECT_EQ(reply_class(d.refusal(c, Refusal::Par)), kPar);
}

TEST(Dialects, KqpsReadsWritesAndBareCommands) {
    const Dialect& d = kqps_dialect();
    struct Case {
        const char* line;
        Verb verb;
        const char* word;
        std::optional<std::string> value;
    } cases[] = {
        {"MRV:?", Verb::Mon, "MRV", std::nullopt},
        {"MRT:1:?", Verb::Mon, "MRT:1", std::nullopt},
        {"MWVR:12.500000", Verb::Set, "MWVR", std::string("12.500000")},
        {"LOOP:I", Verb::Set, "LOOP", std::string("I")},
        {"MON", Verb::Set, "MON", std::nullopt},
        {"MRESET", Verb::Set, "MRESET", std::nullopt},
    };
    for (const auto& c : cases) {
        auto p = d.parse(c.line);
        ASSERT_TRUE(p.answered) << c.line;
        EXPECT_FALSE(p.refusal) << c.line;
        EXPECT_EQ(p.command.verb, c.verb) << c.line;
        EXPECT_EQ(p.command.parameter, c.word) << c.line;
        EXPECT_EQ(p.command.value, c.value) << c.line;
    }
    EXPECT_FALSE(d.parse("").answered);
    EXPECT_EQ(d.parse(":?").refusal, Refusal::Par);
    EXPECT_EQ(d.parse(":5").refusal, Refusal::Par);

    // A read answers with the word up to its own ':' and the value right
    // after the first ':', where a client takes it from.
    EXPECT_EQ(d.ok(command(Verb::Mon, "MRV"), std::string("12.345")), "#MRV:12.345\r\n");
    EXPECT_EQ(d.ok(command(Verb::Mon, "MRT:2"), std::string("41.0")), "#MRT:41.0\r\n");
    EXPECT_EQ(d.ok(command(Verb::Set, "MON"), std::nullopt), "#AK\r\n");
    // A refusal acknowledges nothing and echoes no word.
    for (Refusal r : {Refusal::Cmd, Refusal::Ch, Refusal::Par, Refusal::Val, Refusal::Loc}) {
        std::string no = d.refusal(command(Verb::Mon, "MST"), r);
        EXPECT_EQ(no.find("#AK"), std::string::npos) << no;
        EXPECT_EQ(no.find("#MST"), std::string::npos) << no;
        EXPECT_EQ(no.substr(no.size() - 2), "\r\n");
    }
}

TEST(Dialects, MisdirectedRepliesAreNobodysAnswer) {
    EXPECT_EQ(addressed_dialect().misdirected("#BD:04,CMD:OK,VAL:1\r\n"), "#BD:05,CMD:OK,VAL:1\r\n");
    EXPECT_EQ(addressed_dialect().misdirected("#BD:99,PAR:ERR\r\n"), "#BD:00,PAR:ERR\r\n");
    auto k = kqps_dialect().misdirected("#MRV:1.000\r\n");
    ASSERT_TRUE(k);
    EXPECT_EQ(k->find("#MRV"), std::string::npos);
    auto ack = kqps_dialect().misdirected("#AK\r\n");
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->find("#AK"), std::string::npos);
    EXPECT_FALSE(lumenhv_dialect().misdirects());
}
