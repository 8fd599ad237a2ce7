// TCP helpers over loopback with kernel-chosen ports.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/tcp.h"

using namespace zevahv::platform;

namespace {

struct Pair {
    ScopedSocket listener, client, server;
    unsigned short port = 0;
};

Pair connected_pair() {
    Pair p;
    p.listener.reset(tcp_listen("127.0.0.1", 0, 4, &p.port));
    EXPECT_TRUE(p.listener.valid());
    EXPECT_NE(p.port, 0);
    p.client.reset(tcp_connect("127.0.0.1", p.port, 5000));
    EXPECT_TRUE(p.client.valid());
    p.server.reset(tcp_accept(p.listener.get(), 5000));
    EXPECT_TRUE(p.server.valid());
    return p;
}

}  // namespace

TEST(Tcp, BytesTravelAndPeerIsLoopback) {
    Pair p = connected_pair();
    const std::string big(300000, 'x');  // larger than one socket buffer
    std::thread sender([&] { EXPECT_EQ(send_all(p.client.get(), big.data(), big.size()), (long)big.size()); });
    std::string got;
    char buf[65536];
    while (got.size() < big.size()) {
        ASSERT_EQ(wait_readable(p.server.get(), 5000), 1);
        long n = recv_some(p.server.get(), buf, sizeof buf);
        ASSERT_GT(n, 0);
        got.append(buf, n);
    }
    sender.join();
    EXPECT_EQ(got, big);

    std::string peer;
    unsigned short peer_port = 0;
    ASSERT_TRUE(peer_address(p.server.get(), &peer, &peer_port));
    EXPECT_EQ(peer, "127.0.0.1");
    EXPECT_EQ(peer_port, local_port(p.client.get()));
}

TEST(Tcp, WaitAndReceiveTimeOutsAndEndOfStream) {
    Pair p = connected_pair();
    EXPECT_EQ(wait_readable(p.server.get(), 0), 0);
    EXPECT_EQ(wait_readable(p.server.get(), 30), 0);

    ASSERT_TRUE(set_recv_timeout(p.server.get(), 30));
    char c;
    EXPECT_EQ(recv_some(p.server.get(), &c, 1), -1);
    EXPECT_TRUE(last_error_is_timeout());

    p.client.reset();
    EXPECT_EQ(wait_readable(p.server.get(), 5000), 1);
    EXPECT_EQ(recv_some(p.server.get(), &c, 1), 0);
}

TEST(Tcp, SendToAClosedPeerFailsWithoutSignal) {
    Pair p = connected_pair();
    p.server.reset();
    // The first send may still be accepted locally; later ones must fail
    // with an error (and no SIGPIPE, or this test dies).
    const char chunk[4096] = {};
    long r = 0;
    for (int i = 0; i < 100 && r >= 0; ++i) r = send_all(p.client.get(), chunk, sizeof chunk);
    EXPECT_LT(r, (long)sizeof chunk);
    EXPECT_NE(last_error(), 0);
}

TEST(Tcp, ConnectFailuresAreReported) {
    // A port that was just free: nothing listens there.
    unsigned short port = 0;
    {
        ScopedSocket l(tcp_listen("127.0.0.1", 0, 1, &port));
        ASSERT_TRUE(l.valid());
    }
    EXPECT_EQ(tcp_connect("127.0.0.1", port, 2000), kNoSocket);
    EXPECT_EQ(last_error(), ECONNREFUSED);
    EXPECT_EQ(tcp_connect("not an address at all", port, 2000), kNoSocket);
    EXPECT_EQ(last_error(), EINVAL);
    EXPECT_EQ(tcp_connect("localhost", port, 2000), kNoSocket) << "names are not looked up";
    EXPECT_EQ(last_error(), EINVAL);
    EXPECT_EQ(tcp_connect(nullptr, port, 2000), kNoSocket);
}

TEST(Tcp, OnlyDottedIpv4TextsAreAddresses) {
    std::uint32_t a = 0;
    ASSERT_TRUE(parse_ipv4("127.0.0.1", &a));
    EXPECT_EQ(a, 0x7F000001u);
    ASSERT_TRUE(parse_ipv4("255.255.255.255", &a));
    EXPECT_EQ(a, 0xFFFFFFFFu);
    EXPECT_TRUE(parse_ipv4("192.168.000.050", &a)) << "leading zeros are decimal";
    EXPECT_EQ(a & 0xFF, 50u);
    for (const char *bad : {"", "300.1.1.1", "1.2.3", "1.2.3.4.5", "localhost", "1.2.3.4 ",
                            " 1.2.3.4", "1.2.3.4:80", "1..2.3", "1.2.3.", "0x7f.0.0.1", "1.2.3.1234",
                            "-1.2.3.4", "127.1"})
        EXPECT_FALSE(parse_ipv4(bad)) << bad;
}

