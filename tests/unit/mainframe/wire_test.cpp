// The request framing, the command table and the reply header.
#include <gtest/gtest.h>

#include "mainframe/commands.h"
#include "wire_bytes.h"

using namespace zevahv::mainframe;

namespace {

std::string as_string(const std::vector<unsigned char> &v) { return std::string(v.begin(), v.end()); }

}  // namespace

TEST(MainframeWire, RequestsCarryLengthNameSessionAndArguments) {
    Request r("GETCHPARAM", 0x01020304, true);
    r.u16(3).sep().text("VMon").sep().u16(2).sep().u16(0).u16(47);
    const auto &b = r.finish();
    static const char kPayload[] = "GETCHPARAM:\x01\x02\x03\x04:\x00\x03:VMon:\x00\x02:\x00\x00\x00\x2f";
    const std::string payload(kPayload, sizeof kPayload - 1);
    ASSERT_EQ(b.size(), 4 + payload.size());
    EXPECT_EQ(get_be32(b.data()), payload.size());
    EXPECT_EQ(as_string(b).substr(4), payload);

    // Outside a session and without arguments: the name alone.
    Request login("GETSYSINFO", 7, false);
    EXPECT_EQ(as_string(login.finish()).substr(4), std::string("GETSYSINFO:\0\0\0\x07", 15));
    Request plain("LOGIN", -1, true);
    plain.text("admin").sep().text("pw");
    EXPECT_EQ(as_string(plain.finish()).substr(4), "LOGIN:admin:pw");

    // Item lists end with NUL in place of their last ':'.
    Request sub("NEWSUBSCRIBE", 1, true);
    sub.u16(5000).sep().text("a").sep().end_with_nul();
    EXPECT_EQ(as_string(sub.finish()).back(), '\0');
    EXPECT_EQ(as_string(sub.finish()).substr(4 + 18), std::string("\x13\x88:a\0", 5));
}

TEST(MainframeWire, CursorNeverReadsPastItsData) {
    const unsigned char data[] = {0, 5, ':', 'a', 'b'};
    Cursor in(Bytes(data, sizeof data));
    EXPECT_EQ(in.u16(), 5);
    EXPECT_TRUE(in.sep());
    EXPECT_EQ(in.text_to_sep(), "");  // no ':' follows: fails
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(in.u32(), 0u);
    EXPECT_EQ(in.left(), 0u);

    Cursor short_read(Bytes(data, 3));
    EXPECT_TRUE(short_read.take(4).empty());
    EXPECT_FALSE(short_read.ok());
}

TEST(MainframeWire, ReplyHeaderGivesStatusTextAndDataOffset) {
    const Command &get = *find_command("GETCHPARAM", kCurrent);
    // Status 0, text "Ok": data start after the ':' that follows the text,
    // at name length + 10 + text length.
    WireBytes ok;
    ok.s("GETCHPARAM").c().u32(9).c().u16(0).c().s("Ok").c().u32(1234);
    ReplyHeader h;
    ASSERT_EQ(parse_reply(ok.bytes(), get, &h), 0);
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.text, "Ok");
    EXPECT_EQ(h.data_offset, std::string("GETCHPARAM").size() + 10 + 2);

    // A refusal: the text runs to the end, colons and all.
    WireBytes refused;
    refused.s("GETCHPARAM").c().u32(9).c().u16(22).c().s("Param Not Found: x");
    ASSERT_EQ(parse_reply(refused.bytes(), get, &h), 0);
    EXPECT_EQ(h.status, 22);
    EXPECT_EQ(h.text, "Param Not Found: x");

    // Login replies carry no session number.
    WireBytes login;
    login.s("LOGINSYSTEM").c().u16(0).c().s("Welcome").c().u32(77);
    ASSERT_EQ(parse_reply(login.bytes(), *find_command("LOGINSYSTEM", kCurrent), &h), 0);
    EXPECT_EQ(h.data_offset, 11u + 1 + 2 + 1 + 7 + 1);
}

TEST(MainframeWire, RepliesThatAnswerSomethingElseAreRefused) {
    const Command &get = *find_command("GETCHPARAM", kCurrent);
    ReplyHeader h;
    WireBytes other;
    other.s("GETBDPARAM").c().u32(9).c().u16(0).c().s("Ok").c().u32(1);
    EXPECT_EQ(parse_reply(other.bytes(), get, &h), kReplyMismatch);
    WireBytes longer;  // a longer name that begins with the right one
    longer.s("GETCHPARAMX").c().u32(9).c().u16(0).c().s("Ok").c();
    EXPECT_EQ(parse_reply(longer.bytes(), get, &h), kReplyMismatch);
    WireBytes no_colon;  // data expected but the text never ends
    no_colon.s("GETCHPARAM").c().u32(9).c().u16(0).c().s("Ok");
    EXPECT_EQ(parse_reply(no_colon.bytes(), get, &h), kReplyMismatch);
    EXPECT_EQ(parse_reply({}, get, &h), kReplyMismatch);
    // Every cut of a good reply before its text is refused, never overread.
    WireBytes good;
    good.s("GETCHPARAM").c().u32(9).c().u16(0).c().s("Ok").c();
    for (std::size_t n = 0; n + 1 < good.size(); ++n)
        EXPECT_EQ(parse_reply(good.bytes().first(n), get, &h), kReplyMismatch) << n;
}
