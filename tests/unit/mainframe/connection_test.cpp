// The exchange of one connection against a raw peer on a loopback socket:
// replies that are refused, cut, oversized or answer something else leave
// a result code and a text, and the next request is answered normally.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "mainframe/connection.h"
#include "mainframe/generation.h"
#include "platform/tcp.h"
#include "wire_bytes.h"

using namespace zevahv::mainframe;
namespace platform = zevahv::platform;

namespace {

// What the peer does with one request: the bytes to send back, and whether
// it then hangs up.
struct Answer {
    std::vector<unsigned char> bytes;
    bool hang_up = false;
};
using Script = std::vector<std::function<Answer(const std::string &request)>>;

class Peer {
public:
    explicit Peer(Script script) : script_(std::move(script)) {
        listener_ = platform::tcp_listen("127.0.0.1", 0, 1, &port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~Peer() {
        thread_.join();
        platform::close_socket(listener_);
    }
    unsigned short port() const { return port_; }

private:
    void serve() {
        platform::ScopedSocket s(platform::tcp_accept(listener_, 5000));
        for (auto &step : script_) {
            unsigned char len[4];
            if (!read_n(s.get(), len, 4)) return;
            std::string req(get_be32(len), '\0');
            if (!read_n(s.get(), reinterpret_cast<unsigned char *>(req.data()), req.size())) return;
            const Answer a = step(req);
            platform::send_all(s.get(), a.bytes.data(), a.bytes.size());
            if (a.hang_up) return;
        }
        // Wait for the client to go before closing.
        unsigned char b;
        read_n(s.get(), &b, 1);
    }
    static bool read_n(int s, unsigned char *p, std::size_t n) {
        for (std::size_t done = 0; done < n;) {
            if (platform::wait_readable(s, 5000) <= 0) return false;
            const long got = platform::recv_some(s, p + done, n - done);
            if (got <= 0) return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    }
    Script script_;
    int listener_ = -1;
    unsigned short port_ = 0;
    std::thread thread_;
};

// A framed reply to a command in a session.
std::vector<unsigned char> reply(std::string_view cmd, int status, std::string_view text,
                                 const WireBytes &data = {}) {
    WireBytes p;
    p.s(cmd).c().u32(1).c().u16(static_cast<unsigned>(status)).c().s(text);
    if (status == 0) p.c().v.insert(p.v.end(), data.v.begin(), data.v.end());
    return frame_payload(p.bytes());
}

Answer answer(std::vector<unsigned char> b, bool hang_up = false) { return {std::move(b), hang_up}; }

Answer good_sysname(const std::string &) {
    WireBytes d;
    d.s("KR2440,crate");
    return answer(reply("GETSYSNAME", 0, "Ok", d));
}

struct Client {
    Connection c;
    explicit Client(unsigned short port) {
        c.generation = &kCurrentGeneration;
        c.session = 1;
        EXPECT_EQ(c.connect("127.0.0.1", port), 0);
        EXPECT_STREQ(c.error_text(), "ok");
    }
    ~Client() { c.disconnect(); }
    int ask(Reply *r = nullptr) {
        Reply local;
        return c.simple("GETSYSNAME", r ? r : &local);
    }
};

}  // namespace

TEST(MainframeConnection, RequestBytesAndAGoodReply) {
    std::string seen;
    Peer peer({[&](const std::string &req) {
        seen = req;
        return good_sysname(req);
    }});
    Client client(peer.port());
    Reply r;
    ASSERT_EQ(client.ask(&r), 0);
    EXPECT_EQ(seen, std::string("GETSYSNAME:\0\0\0\x01", 15));
    EXPECT_EQ(std::string(r.data().begin(), r.data().end()), "KR2440,crate");
    EXPECT_STREQ(client.c.error_text(), "Ok");
}

TEST(MainframeConnection, RefusalsAndStrangeRepliesLeaveTheStreamInStep) {
    Peer peer({
        [](const std::string &) { return answer(reply("GETSYSNAME", 12, "Busy: try later")); },
        [](const std::string &) { return answer(reply("GETSWREL", 0, "Ok", WireBytes().s("1.0"))); },
        good_sysname,
        [](const std::string &) { return answer(frame_payload({})); },
        good_sysname,
        [](const std::string &) {
            // An impossible length, followed by bytes that are no reply.
            WireBytes w;
            w.u32(0x80000000u).s("garbage garbage garbage");
            return answer(w.v);
        },
        good_sysname,
    });
    Client client(peer.port());
    EXPECT_EQ(client.ask(), 12);
    EXPECT_STREQ(client.c.error_text(), "Busy: try later");
    EXPECT_EQ(client.ask(), kReplyMismatch);  // the reply names another command
    EXPECT_EQ(client.ask(), 0);
    EXPECT_EQ(client.ask(), kReplyMismatch);  // an empty payload
    EXPECT_EQ(client.ask(), 0);
    EXPECT_EQ(client.ask(), ZEVAHV_ERR_NOMEMORY);
    EXPECT_STREQ(client.c.error_text(), "User Memory not sufficient for communication");
    EXPECT_EQ(client.ask(), 0);
}

TEST(MainframeConnection, AMainframeThatHangsUpMidReplyStaysDown) {
    Peer peer({
        good_sysname,
        [](const std::string &) {
            std::vector<unsigned char> cut = reply("GETSYSNAME", 0, "Ok", WireBytes().s("x"));
            cut.resize(cut.size() - 3);
            return answer(cut, true);
        },
    });
    Client client(peer.port());
    EXPECT_EQ(client.ask(), 0);
    EXPECT_EQ(client.ask(), ZEVAHV_ERR_DOWN);
    EXPECT_STREQ(client.c.error_text(), "CFE server down");
    EXPECT_EQ(client.ask(), ZEVAHV_ERR_DOWN);
    EXPECT_EQ(client.c.result(), ZEVAHV_ERR_DOWN);
}

TEST(MainframeConnection, ConnectingWhereNothingListens) {
    unsigned short port = 0;
    const int l = platform::tcp_listen("127.0.0.1", 0, 1, &port);
    platform::close_socket(l);  // the port is free again: nothing answers
    Connection c;
    c.generation = &kCurrentGeneration;
    EXPECT_EQ(c.connect("127.0.0.1", port), ZEVAHV_ERR_SYSERR);
    EXPECT_NE(std::string(c.error_text()).find("Operating System Error: "), std::string::npos);
    Reply r;
    EXPECT_EQ(c.simple("GETSYSNAME", &r), ZEVAHV_ERR_DOWN);
}
