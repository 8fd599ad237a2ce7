// The mainframe simulator's framing and request/reply texts, byte for byte.
#include <gtest/gtest.h>

#include "mainframe/bytes.h"
#include "mainframe/framing.h"
#include "mainframe/request.h"

using namespace sim::mf;

namespace {

std::string be32(uint32_t v) { return ByteWriter().u32(v).take(); }

} // namespace

TEST(MainframeFraming, SplitsMessagesWhereverTheBytesBreak) {
    std::string stream = frame("LOGIN:a:b") + frame("") + frame(std::string("GETSYSINFO:\x00\x00\x00\x07", 15));
    // Every way of cutting the stream into two feeds gives the same messages.
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        FrameSplitter s;
        auto a = s.feed(std::string_view(stream).substr(0, cut));
        auto b = s.feed(std::string_view(stream).substr(cut));
        a.insert(a.end(), b.begin(), b.end());
        ASSERT_EQ(a.size(), 3u) << "cut at " << cut;
        EXPECT_EQ(a[0], "LOGIN:a:b");
        EXPECT_EQ(a[1], "");
        EXPECT_EQ(a[2].size(), 15u);
        EXPECT_EQ(s.pending(), 0u);
    }
}

TEST(MainframeFraming, AHostileLengthBreaksTheStreamInsteadOfWaitingForIt) {
    FrameSplitter s;
    EXPECT_TRUE(s.feed(be32(kMaxRequestPayload) ).empty());
    EXPECT_FALSE(s.broken()); // as long as the largest request: still waiting
    FrameSplitter t;
    EXPECT_TRUE(t.feed(be32(0x80000000u) + "GETSWREL").empty());
    EXPECT_TRUE(t.broken());
    EXPECT_TRUE(t.feed(frame("GETSWREL")).empty()); // nothing after it is trusted
}

TEST(MainframeRequest, SessionNumberIsReadByPositionEvenWhenItHoldsColons) {
    // A session number whose bytes are ':' must not end the name or the args.
    std::string p = "GETCHPARAM:" + be32(0x3A3A3A3A) + ":" + std::string("\x00\x03:VMon:\x00\x01:\x00\x05", 14);
    Request r = parse_request(p);
    ASSERT_NE(r.command, nullptr);
    EXPECT_FALSE(r.malformed);
    EXPECT_EQ(*r.session, 0x3A3A3A3Au);
    EXPECT_EQ(r.args, std::string("\x00\x03:VMon:\x00\x01:\x00\x05", 14));

    Request none = parse_request("GETSYSINFO:" + be32(7));
    EXPECT_FALSE(none.malformed);
    EXPECT_FALSE(none.has_args);

    EXPECT_TRUE(parse_request("GETSYSINFO").malformed);           // no session at all
    EXPECT_TRUE(parse_request("GETSYSINFO:\x01\x02").malformed);  // a short one
    EXPECT_TRUE(parse_request("GETSYSINFO:" + be32(7) + "x").malformed);

    Request login = parse_request("LOGINSYSTEM:admin:pass:word");
    EXPECT_FALSE(login.session.has_value());
    EXPECT_EQ(login.args, "admin:pass:word");

    Request unknown = parse_request("NOSUCH:" + be32(1));
    EXPECT_EQ(unknown.command, nullptr);
    EXPECT_EQ(unknown.name, "NOSUCH");
}

TEST(MainframeRequest, ReplyDataStartAfterTheStatusText) {
    Request req = parse_request("GETSWREL:" + be32(0x01020304));
    Reply ok;
    ok.text = "ok";
    ok.data = "5.20";
    std::string p = reply_payload(req, ok);
    EXPECT_EQ(p, "GETSWREL:" + be32(0x01020304) + ":" + std::string("\x00\x00", 2) + ":ok:5.20");
    // The offset a client computes: name + 10 + text length.
    EXPECT_EQ(p.substr(std::string("GETSWREL").size() + 10 + 2), "5.20");

    Reply refused;
    refused.status = 22;
    refused.text = "Param Not Found";
    refused.data = "never sent";
    EXPECT_EQ(reply_payload(req, refused),
              "GETSWREL:" + be32(0x01020304) + ":" + std::string("\x00\x16", 2) + ":Param Not Found");

    // A command without reply data sends its text only, even on success.
    Request set = parse_request("SETCHNAME:" + be32(9) + ":x");
    EXPECT_EQ(reply_payload(set, ok), "SETCHNAME:" + be32(9) + ":" + std::string("\x00\x00", 2) + ":ok");
    // Logins carry no session in either direction.
    Request login = parse_request("LOGIN:u:p");
    Reply session;
    session.data = be32(42);
    EXPECT_EQ(reply_payload(login, session), "LOGIN:" + std::string("\x00\x00", 2) + ":ok:" + be32(42));
}

TEST(MainframeRequest, GenerationsServeTheirOwnCommands) {
    const CommandInfo* a = find_command("LOGINSYSTEM");
    const CommandInfo* b = find_command("GETFANSTAT");
    const CommandInfo* c = find_command("LOGIN");
    ASSERT_TRUE(a && b && c);
    EXPECT_TRUE(served_by(*a, Generation::Current));
    EXPECT_FALSE(served_by(*a, Generation::Legacy));
    EXPECT_FALSE(served_by(*b, Generation::Current));
    EXPECT_TRUE(served_by(*b, Generation::Legacy));
    EXPECT_TRUE(served_by(*c, Generation::Current) && served_by(*c, Generation::Legacy));
}

TEST(MainframeBytes, ReaderNeverReadsPastTheEnd) {
    ByteReader r(std::string_view("\x01\x02:ab", 5));
    EXPECT_EQ(*r.u16(), 0x0102);
    EXPECT_TRUE(r.colon());
    EXPECT_FALSE(r.u32().has_value()); // two bytes left
    EXPECT_EQ(r.left(), 2u);
    EXPECT_FALSE(r.text_until(':').has_value());
    EXPECT_EQ(*r.take(2), "ab");
    EXPECT_FALSE(r.u8().has_value());
    EXPECT_FALSE(r.colon());
}
