// The module command language: lines built, values printed, replies checked.
#include <gtest/gtest.h>

#include <string>

#include "modules/protocol.h"

using namespace zevahv::modules;
using namespace zevahv::modules::protocol;

namespace {

std::string cmd(CommandForm form, int board, Verb verb, const char *mnemonic, int ch,
                const char *value = nullptr) {
    std::string out;
    EXPECT_TRUE(build_command(form, board, verb, mnemonic, ch, value, &out));
    return out;
}

std::string fixed(double v, int width, int decimals) {
    char buf[64];
    EXPECT_TRUE(format_fixed(v, width, decimals, buf, sizeof buf));
    return buf;
}

}  // namespace

TEST(ModuleCommands, TheThreeFormsOfCommandLines) {
    EXPECT_EQ(cmd(CommandForm::Addressed, 0, Verb::Monitor, "VMON", 2),
              "$BD:00,CMD:MON,CH:2,PAR:VMON\r\n");
    EXPECT_EQ(cmd(CommandForm::Addressed, 3, Verb::Monitor, "BDILK", -1),
              "$BD:03,CMD:MON,PAR:BDILK\r\n");
    EXPECT_EQ(cmd(CommandForm::Addressed, 0, Verb::Set, "ON", 1),
              "$BD:00,CMD:SET,CH:1,PAR:ON\r\n");
    EXPECT_EQ(cmd(CommandForm::Addressed, 0, Verb::Set, "SHAPE", 3, "2"),
              "$BD:00,CMD:SET,CH:3,PAR:SHAPE,VAL:2\r\n");
    EXPECT_EQ(cmd(CommandForm::Addressed, 12, Verb::Monitor, "VMON", 16),
              "$BD:12,CMD:MON,CH:16,PAR:VMON\r\n");

    EXPECT_EQ(cmd(CommandForm::Unaddressed, 0, Verb::Monitor, "VMON", 1),
              "$CMD:MON,CH:1,PAR:VMON\r\n");
    EXPECT_EQ(cmd(CommandForm::Unaddressed, 0, Verb::Set, "VSET", 1, "12.50"),
              "$CMD:SET,CH:1,PAR:VSET,VAL:12.50\r\n");

    EXPECT_EQ(cmd(CommandForm::Lumen, 3, Verb::Info, "VSET", -1), "$BD:3,CMD:INFO,PAR:VSET\r\n");
    EXPECT_EQ(cmd(CommandForm::Lumen, -1, Verb::Monitor, "PARLIST", -1),
              "$CMD:MON,PAR:PARLIST\r\n");

    std::string out;
    // Only the self-describing modules know INFO; an address needs 2 digits.
    EXPECT_FALSE(build_command(CommandForm::Addressed, 0, Verb::Info, "X", -1, nullptr, &out));
    EXPECT_FALSE(build_command(CommandForm::Addressed, 100, Verb::Monitor, "X", -1, nullptr, &out));
    // A line that would not fit the 1024-byte command buffer is not built.
    std::string long_word(1100, 'A');
    EXPECT_FALSE(build_command(CommandForm::Addressed, 0, Verb::Monitor, long_word, -1, nullptr,
                               &out));
}

TEST(ModuleCommands, KqpsLines) {
    std::string out;
    ASSERT_TRUE(build_kqps_read("MST", &out));
    EXPECT_EQ(out, "MST:?\r\n");
    ASSERT_TRUE(build_kqps_read("MRT:1", &out));
    EXPECT_EQ(out, "MRT:1:?\r\n");
    ASSERT_TRUE(build_kqps_write("MWVR", "12.500000", &out));
    EXPECT_EQ(out, "MWVR:12.500000\r\n");
    ASSERT_TRUE(build_kqps_exec("MRESET", &out));
    EXPECT_EQ(out, "MRESET\r\n");

    std::string v;
    EXPECT_EQ(parse_kqps_reply("MST", "#MST:5\r\n", &v), 0);
    EXPECT_EQ(v, "5");
    EXPECT_EQ(parse_kqps_reply("MRT:1", "#MRT:1:41.5\r\n", &v), 0);
    EXPECT_EQ(v, "1:41.5");
    EXPECT_EQ(parse_kqps_reply("MST", "#MRV:5\r\n", &v), -1);
    EXPECT_EQ(parse_kqps_reply("MST", "#MST:5", &v), -1);
    EXPECT_EQ(check_kqps_ack("#AK\r\n"), 0);
    EXPECT_EQ(check_kqps_ack("#NAK\r\n"), -1);
}

TEST(ModuleValues, FixedFormatsPadLikePrintf) {
    EXPECT_EQ(fixed(100.5f, 5, 1), "100.5");    // VSET, I=4 D=1
    EXPECT_EQ(fixed(1500.0f, 5, 1), "1500.0");
    EXPECT_EQ(fixed(3.0f, 6, 2), "003.00");     // ISET, I=4 D=2
    EXPECT_EQ(fixed(12.5f, 4, 2), "12.50");
    EXPECT_EQ(fixed(1234.6f, 1, 0), "1235");    // set width 1
    EXPECT_EQ(fixed(100.0f, 3, 0), "100");
    EXPECT_EQ(fixed(7.0f, 3, 0), "007");
    EXPECT_EQ(fixed(-5.0f, 5, 1), "-05.0");     // zeros go after the sign
    EXPECT_EQ(fixed(0.0, 0, 0), "0");
    EXPECT_EQ(fixed(2.345, 5, 2), "02.35");

    char small[4];
    EXPECT_FALSE(format_fixed(1234.5, 0, 1, small, sizeof small));
    char buf[64];
    EXPECT_FALSE(format_fixed(std::numeric_limits<double>::quiet_NaN(), 5, 1, buf, sizeof buf));
    EXPECT_FALSE(format_fixed(std::numeric_limits<double>::infinity(), 5, 1, buf, sizeof buf));
    // Huge values still fit a line; absurd widths are refused.
    EXPECT_TRUE(format_fixed(3e38, 5, 1, buf, sizeof buf));
    EXPECT_FALSE(format_fixed(1.0, 500, 1, buf, sizeof buf));

    ASSERT_TRUE(format_int(42, 5, buf, sizeof buf));
    EXPECT_STREQ(buf, "00042");
    ASSERT_TRUE(format_int(-42, 5, buf, sizeof buf));
    EXPECT_STREQ(buf, "-0042");
}

TEST(ModuleReplies, AddressedMonitorReplies) {
    std::string v;
    EXPECT_EQ(parse_monitor_reply(CommandForm::Addressed, 0, "#BD:00,CMD:OK,VAL:0100.2\r\n", &v), 0);
    EXPECT_EQ(v, "0100.2");
    EXPECT_EQ(parse_monitor_reply(CommandForm::Addressed, 7, "#BD:07,CMD:OK,VAL:1;2;3;4\r\n", &v), 0);
    EXPECT_EQ(v, "1;2;3;4");
    // A value ends at a further ':'.
    EXPECT_EQ(parse_monitor_reply(CommandForm::Addressed, 0, "#BD:00,CMD:OK,VAL:2.7:x\r\n", &v), 0);
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
        EXPECT_EQ(parse_monitor_reply(CommandForm::Addressed, 0, r, &v), -1) << r;
        EXPECT_EQ(v, "untouched");
    }
}

TEST(ModuleReplies, UnaddressedAndLumenReplies) {
    std::string v;
    EXPECT_EQ(parse_monitor_reply(CommandForm::Unaddressed, 0, "#CMD:OK,VAL:12.5\r\n", &v), 0);
    EXPECT_EQ(v, "12.5");
    EXPECT_EQ(parse_monitor_reply(CommandForm::Unaddressed, 0, "#CMD:OKK,VAL:1\r\n", &v), -1);
    EXPECT_EQ(parse_monitor_reply(CommandForm::Unaddressed, 0, "#CMD:OK,V:1\r\n", &v), -1);
    EXPECT_EQ(parse_monitor_reply(CommandForm::Lumen, -1, "#CMD:OK,VAL:a;b\r\n", &v), 0);
    EXPECT_EQ(v, "a;b");
    EXPECT_EQ(parse_monitor_reply(CommandForm::Lumen, 3, "#BD:3,CMD:OK,VAL:9\r\n", &v), 0);
    EXPECT_EQ(v, "9");
    EXPECT_EQ(parse_monitor_reply(CommandForm::Lumen, 3, "#BD:4,CMD:OK,VAL:9\r\n", &v), -1);
}

TEST(ModuleReplies, RefusalsAreClassifiedByTheirFirstWord) {
    EXPECT_EQ(classify_refusal("#BD:00,CMD:ERR"), 1);
    EXPECT_EQ(classify_refusal("#BD:00,CMD:ERR,LOC:1"), 1);  // CMD wins over everything
    EXPECT_EQ(classify_refusal("#BD:00,CH:ERR"), 2);
    EXPECT_EQ(classify_refusal("#BD:00,PAR:ERR,VAL:ERR"), 3);
    EXPECT_EQ(classify_refusal("#BD:00,VAL:ERR"), 4);
    EXPECT_EQ(classify_refusal("#BD:00,LOC:ERR"), 5);
    EXPECT_EQ(classify_refusal("garbage"), -1);
    std::string v;
    EXPECT_EQ(parse_monitor_reply(CommandForm::Addressed, 0, "#BD:00,CH:ERR\r\n", &v), 2);

    EXPECT_EQ(check_set_reply(CommandForm::Addressed, 0, "#BD:00,CMD:OK\r\n"), 0);
    EXPECT_EQ(check_set_reply(CommandForm::Addressed, 0, "#BD:00,LOC:ERR\r\n"), 5);
    EXPECT_EQ(check_set_reply(CommandForm::Addressed, 0, "#BD:02,CMD:OK\r\n"), -1);
    EXPECT_EQ(check_set_reply(CommandForm::Unaddressed, 0, "#CMD:OK\r\n"), 0);
}

TEST(ModuleValues, NumbersFromTheModuleAreParsedStrictly) {
    float f = -1;
    EXPECT_TRUE(parse_float("0100.2", &f));
    EXPECT_FLOAT_EQ(f, 100.2f);
    EXPECT_TRUE(parse_float(" +5 ", &f));
    EXPECT_FLOAT_EQ(f, 5.0f);
    EXPECT_TRUE(parse_float("-1e3", &f));
    EXPECT_FLOAT_EQ(f, -1000.0f);
    for (const char *bad : {"", "  ", "abc", "12,5", "1.2.3", "5V", "nan", "inf", "1e999"}) {
        f = -1;
        EXPECT_FALSE(parse_float(bad, &f)) << bad;
        EXPECT_EQ(f, -1) << bad;
    }
    long n = -1;
    EXPECT_TRUE(parse_int("00005", &n));
    EXPECT_EQ(n, 5);
    EXPECT_TRUE(parse_int("-3", &n));
    EXPECT_EQ(n, -3);
    for (const char *bad : {"", "1.5", "0x10", "12a", "99999999999999999999999"})
        EXPECT_FALSE(parse_int(bad, &n)) << bad;
}

TEST(ModuleValues, AllChannelValuesSplitIntoAtMostTheChannelCount) {
    auto v = split_values("1;2;3;4", 4);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[3], "4");
    v = split_values("1;2;3;4;5;6", 4);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[3], "4");
    v = split_values("1;2", 4);
    EXPECT_EQ(v.size(), 2u);
    v = split_values("", 4);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0], "");
}
