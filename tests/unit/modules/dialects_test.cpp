// The line dialects: command lines built, replies checked, refusals told
// apart.
#include <gtest/gtest.h>

#include <string>

#include "modules/dialects/dialect.h"

using namespace zevahv::modules;
using namespace zevahv::modules::dialects;

namespace {

std::string cmd(const Dialect &d, int board, Verb verb, const char *mnemonic, int ch,
                const char *value = nullptr) {
    std::string out;
    EXPECT_TRUE(d.build(board, verb, mnemonic, ch, value, &out)) << d.name << " " << mnemonic;
    return out;
}

int value_of(const Dialect &d, int board, std::string_view reply, std::string *v,
             std::string_view mnemonic = "VMON") {
    return d.parse_value(board, mnemonic, reply, v);
}

}  // namespace

TEST(Dialects, CommandLinesOfTheTextDialects) {
    EXPECT_EQ(cmd(kAddressed, 0, Verb::Monitor, "VMON", 2), "$BD:00,CMD:MON,CH:2,PAR:VMON\r\n");
    EXPECT_EQ(cmd(kAddressed, 3, Verb::Monitor, "BDILK", -1), "$BD:03,CMD:MON,PAR:BDILK\r\n");
    EXPECT_EQ(cmd(kAddressed, 0, Verb::Set, "ON", 1), "$BD:00,CMD:SET,CH:1,PAR:ON\r\n");
    EXPECT_EQ(cmd(kAddressed, 0, Verb::Set, "SHAPE", 3, "2"),
              "$BD:00,CMD:SET,CH:3,PAR:SHAPE,VAL:2\r\n");
    EXPECT_EQ(cmd(kAddressed, 12, Verb::Monitor, "VMON", 16), "$BD:12,CMD:MON,CH:16,PAR:VMON\r\n");

    EXPECT_EQ(cmd(kUnaddressed, 0, Verb::Monitor, "VMON", 1), "$CMD:MON,CH:1,PAR:VMON\r\n");
    EXPECT_EQ(cmd(kUnaddressed, 7, Verb::Set, "VSET", 1, "12.50"),
              "$CMD:SET,CH:1,PAR:VSET,VAL:12.50\r\n");

    EXPECT_EQ(cmd(kLumen, 3, Verb::Info, "VSET", -1), "$BD:3,CMD:INFO,PAR:VSET\r\n");
    EXPECT_EQ(cmd(kLumen, 123, Verb::Monitor, "VMON", 0), "$BD:123,CMD:MON,CH:0,PAR:VMON\r\n");
    EXPECT_EQ(cmd(kLumen, -1, Verb::Monitor, "PARLIST", -1), "$CMD:MON,PAR:PARLIST\r\n");

    std::string out;
    // Only the self-describing modules know INFO; an address needs 2 digits.
    EXPECT_FALSE(kAddressed.build(0, Verb::Info, "X", -1, nullptr, &out));
    EXPECT_FALSE(kUnaddressed.build(0, Verb::Info, "X", -1, nullptr, &out));
    EXPECT_FALSE(kAddressed.build(100, Verb::Monitor, "X", -1, nullptr, &out));
    EXPECT_FALSE(kAddressed.valid_board(-1));
    EXPECT_TRUE(kLumen.valid_board(-1));
    EXPECT_FALSE(kLumen.valid_board(-2));
    // A line that would not fit the 1024-byte command buffer is not built.
    const std::string long_word(1100, 'A');
    for (const Dialect *d : {&kAddressed, &kUnaddressed, &kLumen, &kKqps})
        EXPECT_FALSE(d->build(0, Verb::Monitor, long_word, -1, nullptr, &out)) << d->name;
    EXPECT_TRUE(out.empty()) << "nothing written for a line not built";
}

TEST(Dialects, KqpsLines) {
    EXPECT_EQ(cmd(kKqps, 0, Verb::Monitor, "MST", -1), "MST:?\r\n");
    EXPECT_EQ(cmd(kKqps, 0, Verb::Monitor, "MRT:1", 0), "MRT:1:?\r\n");
    EXPECT_EQ(cmd(kKqps, 0, Verb::Set, "MWVR", 0, "12.500000"), "MWVR:12.500000\r\n");
    EXPECT_EQ(cmd(kKqps, 0, Verb::Set, "MRESET", -1), "MRESET\r\n");
    std::string out;
    EXPECT_FALSE(kKqps.build(0, Verb::Info, "MST", -1, nullptr, &out));

    std::string v;
    EXPECT_EQ(value_of(kKqps, 0, "#MST:5\r\n", &v, "MST"), 0);
    EXPECT_EQ(v, "5");
    EXPECT_EQ(value_of(kKqps, 0, "#MRT:1:41.5\r\n", &v, "MRT:1"), 0);
    EXPECT_EQ(v, "1:41.5");
    EXPECT_EQ(value_of(kKqps, 0, "#MRV:5\r\n", &v, "MST"), -1);
    EXPECT_EQ(value_of(kKqps, 0, "#MST:5", &v, "MST"), -1);
    EXPECT_EQ(kKqps.check_set(0, "#AK\r\n"), 0);
    EXPECT_EQ(kKqps.check_set(0, "#NAK\r\n"), -1);
    EXPECT_EQ(kKqps.classify_refusal("#NAK CMD LOC"), -1);
}

TEST(Dialects, AddressedMonitorReplies) {
    std::string v;
    EXPECT_EQ(value_of(kAddressed, 0, "#BD:00,CMD:OK,VAL:0100.2\r\n", &v), 0);
    EXPECT_EQ(v, "0100.2");
    EXPECT_EQ(value_of(kAddressed, 7, "#BD:07,CMD:OK,VAL:1;2;3;4\r\n", &v), 0);
    EXPECT_EQ(v, "1;2;3;4");
    // A value ends at a further ':'.
    EXPECT_EQ(value_of(kAddressed, 0, "#BD:00,CMD:OK,VAL:2.7:x\r\n", &v), 0);
    EXPECT_EQ(v, "2.7");

    const char *bad[] = {
        "#BD:01,CMD:OK,VAL:5\r\n",      // another board answered
        "#BD:0x,CMD:OK,VAL:5\r\n",      // not a board number
        "#BD:000,CMD:OK,VAL:5\r\n",     // first piece not 6 characters
        "#BD:00,CMD:OKK,VAL:5\r\n",     // second piece not 6
        "#BD:00,CMD:OK,VAL:\r\n",       // no value
        "#BD:00,CMD:OK\r\n",            // no value piece at all
        "#BD:00,CMD:OK,VAL:5",          // cut before its line end
        "OK",
        "",
    };
    for (const char *r : bad) {
        v = "untouched";
        EXPECT_EQ(value_of(kAddressed, 0, r, &v), -1) << r;
        EXPECT_EQ(v, "untouched");
    }
}

TEST(Dialects, UnaddressedAndLumenReplies) {
    std::string v;
    EXPECT_EQ(value_of(kUnaddressed, 0, "#CMD:OK,VAL:12.5\r\n", &v), 0);
    EXPECT_EQ(v, "12.5");
    EXPECT_EQ(value_of(kUnaddressed, 0, "#CMD:OKK,VAL:1\r\n", &v), -1);
    EXPECT_EQ(value_of(kUnaddressed, 0, "#CMD:OK,V:1\r\n", &v), -1);
    EXPECT_EQ(value_of(kLumen, -1, "#CMD:OK,VAL:a;b\r\n", &v), 0);
    EXPECT_EQ(v, "a;b");
    EXPECT_EQ(value_of(kLumen, 3, "#BD:3,CMD:OK,VAL:9\r\n", &v), 0);
    EXPECT_EQ(v, "9");
    EXPECT_EQ(value_of(kLumen, 3, "#BD:4,CMD:OK,VAL:9\r\n", &v), -1);
}

TEST(Dialects, RefusalsAreClassifiedByTheirFirstWord) {
    for (const Dialect *d : {&kAddressed, &kUnaddressed, &kLumen}) {
        EXPECT_EQ(d->classify_refusal("#BD:00,CMD:ERR"), 1);
        EXPECT_EQ(d->classify_refusal("#BD:00,CMD:ERR,LOC:1"), 1);  // CMD wins over everything
        EXPECT_EQ(d->classify_refusal("#BD:00,CH:ERR"), 2);
        EXPECT_EQ(d->classify_refusal("#BD:00,PAR:ERR,VAL:ERR"), 3);
        EXPECT_EQ(d->classify_refusal("#BD:00,VAL:ERR"), 4);
        EXPECT_EQ(d->classify_refusal("#BD:00,LOC:ERR"), 5);
        EXPECT_EQ(d->classify_refusal("garbage"), -1);
    }
    std::string v;
    EXPECT_EQ(value_of(kAddressed, 0, "#BD:00,CH:ERR\r\n", &v), 2);
    EXPECT_EQ(value_of(kUnaddressed, 0, "#CMD:ERR\r\n", &v), 1);

    EXPECT_EQ(kAddressed.check_set(0, "#BD:00,CMD:OK\r\n"), 0);
    EXPECT_EQ(kAddressed.check_set(0, "#BD:00,LOC:ERR\r\n"), 5);
    EXPECT_EQ(kAddressed.check_set(0, "#BD:02,CMD:OK\r\n"), -1);
    EXPECT_EQ(kAddressed.check_set(0, "#BD:00,CMD:OK"), 0) << "a set is only searched for OK";
    EXPECT_EQ(kUnaddressed.check_set(0, "#CMD:OK\r\n"), 0);
    EXPECT_EQ(kUnaddressed.check_set(0, "#BD:02,CMD:OK\r\n"), 0);
    EXPECT_EQ(kLumen.check_set(3, "#BD:2,CMD:OK\r\n"), -1);
    EXPECT_EQ(kLumen.check_set(-1, "#CMD:OK\r\n"), 0);
}
