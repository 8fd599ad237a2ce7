// Command lines as a client writes them, replies as a client reads them.
#include <gtest/gtest.h>

#include <clocale>

#include "devices/amplifier.h"
#include "devices/q3815.h"
#include "engine/execute.h"
#include "model/value_text.h"
#include "refusal_class.h"
#include "wire/dialect.h"
#include "wire/line_splitter.h"

using namespace sim;

namespace {

ParsedLine parse_command(std::string_view line) { return addressed_dialect().parse(line); }
std::string refusal_reply(int board, Refusal r) {
    Command c;
    c.board = board;
    return addressed_dialect().refusal(c, r);
}
std::string ok_reply(int board, const std::optional<std::string>& value) {
    Command c;
    c.board = board;
    return addressed_dialect().ok(c, value);
}

} // namespace

TEST(CommandParse, PiecesAndRefusals) {
    auto p = parse_command("$BD:07,CMD:SET,CH:3,PAR:NAME,VAL:a,b");
    ASSERT_TRUE(p.answered);
    EXPECT_FALSE(p.refusal);
    EXPECT_EQ(p.command.board, 7);
    EXPECT_EQ(p.command.verb, Verb::Set);
    EXPECT_EQ(p.command.channel, 3);
    EXPECT_EQ(p.command.parameter, "NAME");
    EXPECT_EQ(p.command.value, "a,b"); // the value runs to the end of the line

    p = parse_command("$BD:00,CMD:MON,PAR:BDNAME");
    EXPECT_FALSE(p.refusal);
    EXPECT_FALSE(p.command.channel);
    EXPECT_FALSE(p.command.value);

    // Nobody is addressed: no module may answer these.
    for (const char* line : {"", "$", "$BD:", "$BD:,CMD:MON,PAR:X", "$BD:1234,CMD:MON,PAR:X",
                             "$CMD:MON,PAR:VMON", "#BD:00,CMD:OK", "$BD:0a,CMD:MON,PAR:X"})
        EXPECT_FALSE(parse_command(line).answered) << line;

    struct Case {
        const char* line;
        Refusal r;
    } cases[] = {
        {"$BD:00", Refusal::Cmd},
        {"$BD:00,CMD:GET,PAR:VMON", Refusal::Cmd},
        {"$BD:00,CMD:MON,CH:x,PAR:VMON", Refusal::Ch},
        {"$BD:00,CMD:MON,CH:,PAR:VMON", Refusal::Ch},
        {"$BD:00,CMD:MON,CH:1", Refusal::Par},
        {"$BD:00,CMD:MON,PAR:", Refusal::Par},
        {"$BD:00,CMD:MON,PAR:VMON,", Refusal::Cmd},
        {"$BD:00,CMD:MON,PAR:VMON,XYZ", Refusal::Cmd},
    };
    for (const auto& c : cases) {
        auto q = parse_command(c.line);
        ASSERT_TRUE(q.answered) << c.line;
        ASSERT_TRUE(q.refusal) << c.line;
        EXPECT_EQ(*q.refusal, c.r) << c.line;
    }
}

TEST(Replies, RefusalsCarryOnlyTheirKeyword) {
    // The board address must not leak a keyword either, whatever it is.
    for (int board : {0, 7, 99}) {
        EXPECT_EQ(reply_class(refusal_reply(board, Refusal::Cmd)), kCmd);
        EXPECT_EQ(reply_class(refusal_reply(board, Refusal::Ch)), kCh);
        EXPECT_EQ(reply_class(refusal_reply(board, Refusal::Par)), kPar);
        EXPECT_EQ(reply_class(refusal_reply(board, Refusal::Val)), kVal);
        EXPECT_EQ(reply_class(refusal_reply(board, Refusal::Loc)), kLoc);
    }
    EXPECT_EQ(ok_reply(3, std::string("0100.2")), "#BD:03,CMD:OK,VAL:0100.2\r\n");
    EXPECT_EQ(ok_reply(12, std::nullopt), "#BD:12,CMD:OK\r\n");
}

TEST(Replies, EveryRefusalOfTheEngineClassifiesAsItsCause) {
    auto dev = make_q3815(4);
    auto run = [&](const char* line) { return respond(*dev, addressed_dialect(), parse_command(line)); };
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,CH:5,PAR:VMON")), kCh);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,PAR:VMON")), kCh);        // channel word, no CH
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,CH:0,PAR:BDNAME")), kCh); // board word with CH
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,CH:4,PAR:VMAX")), kCh);   // no all-channel limit
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,CH:0,PAR:VSETX")), kPar);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:SET,CH:0,PAR:VSET,VAL:8000.1")), kVal);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:SET,CH:0,PAR:VSET,VAL:1,5")), kVal);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:SET,CH:0,PAR:VSET")), kVal);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:SET,CH:0,PAR:IMRANGE,VAL:low")), kVal);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:SET,CH:0,PAR:VMON,VAL:1")), kCmd);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,PAR:BDCLR")), kCmd);
    dev->local = true;
    EXPECT_EQ(reply_class(run("$BD:00,CMD:SET,CH:0,PAR:VSET,VAL:10")), kLoc);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:SET,PAR:BDCLR")), kLoc);
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,CH:0,PAR:VSET")), kOk); // reads still work
}

TEST(Replies, AllChannelMonitorJoinsInChannelOrder) {
    auto dev = make_p731x();
    for (int ch = 0; ch < 16; ++ch)
        ASSERT_FALSE(dev->write(dev->find("FGAIN"), ch, std::to_string(ch * 10), Origin::Wire));
    auto run = [&](const char* line) { return respond(*dev, addressed_dialect(), parse_command(line)); };
    EXPECT_EQ(run("$BD:00,CMD:MON,CH:16,PAR:FGAIN"),
              "#BD:00,CMD:OK,VAL:000;010;020;030;040;050;060;070;080;090;100;110;120;130;140;150\r\n");
    EXPECT_EQ(reply_class(run("$BD:00,CMD:MON,CH:17,PAR:FGAIN")), kCh);
}

TEST(ValueText, FixedFormatAndStrictParsing) {
    EXPECT_EQ(format_fixed(100.2, 4, 1), "0100.2");
    EXPECT_EQ(format_fixed(7, 3, 0), "007");
    EXPECT_EQ(format_fixed(-0.04, 4, 1), "0000.0"); // never a negative zero
    EXPECT_EQ(format_fixed(1234.56, 1, 0), "1235");
    // A decimal-comma locale must not reach the wire.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(format_fixed(3, 4, 2), "0003.00");
        EXPECT_EQ(parse_decimal("100.5"), 100.5);
        std::setlocale(LC_NUMERIC, "C");
    }
    EXPECT_EQ(parse_decimal("0100.5"), 100.5);
    EXPECT_EQ(parse_decimal("-3"), -3);
    EXPECT_EQ(parse_decimal(".5"), 0.5);
    for (const char* bad : {"", "-", ".", "1,5", "1e3", " 1", "1 ", "1.2.3", "0x10", "nan",
                            "111111111111111111111111111111111"})
        EXPECT_FALSE(parse_decimal(bad)) << bad;
    EXPECT_EQ(parse_whole("12.0"), 12);
    EXPECT_FALSE(parse_whole("12.5"));
}

TEST(LineSplitter, LinesPiecesAndOverlongInput) {
    LineSplitter s(16);
    auto a = s.feed("$BD:00,CM");
    EXPECT_TRUE(a.empty());
    a = s.feed("D\r\nnext\nlast");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].text, "$BD:00,CMD");
    EXPECT_EQ(a[1].text, "next");
    a = s.feed(std::string(100, 'x') + "\r\nok\n");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_TRUE(a[0].overlong);
    EXPECT_EQ(a[0].text.size(), 16u); // bounded, whatever arrives
    EXPECT_FALSE(a[1].overlong);
    EXPECT_EQ(a[1].text, "ok");
}
