// The event server on real loopback sockets: binding upward, peers that say
// nothing, peers that match a system (by a short or a long identification)
// and peers that match none, from the local host or another address.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include <QCoreApplication>

#include "eventport.h"
#include "qsysteminterface.h"
#include "qtcpeventserver.h"
#include "recording_sink.h"

namespace {

using Clock = std::chrono::steady_clock;

// A listening socket on a port the kernel picks; returns the fd and port.
int listenOnFreePort(quint16 *port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, 1) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}

// A connection to the server, from `from` (a loopback address) when given.
int connectTo(quint16 port, const char *from = nullptr)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (from) {
        sockaddr_in b{};
        b.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &b.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&b), sizeof b) != 0) {
            ::close(fd);
            return -1;
        }
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendText(int fd, const std::string &text)
{
    ASSERT_EQ(::send(fd, text.c_str(), text.size() + 1, MSG_NOSIGNAL), ssize_t(text.size() + 1));
}

// True once the peer closed the connection (read gives 0 or an error).
bool closedByPeer(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return false;
    char c;
    return ::recv(fd, &c, 1, 0) <= 0;
}

// Processes Qt events until `done` holds or the time is up.
template <typename Done>
bool waitUntil(Done done, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done() && Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A server on a free port (the process-wide port moves with it).
struct Server {
    quint16 first = 0;
    QTcpEventServer server;
    Server() : server(freePort()) {}
    static quint16 freePort() {
        quint16 p = 0;
        int fd = listenOnFreePort(&p);
        ::close(fd);
        return p;
    }
};

} // namespace

TEST(EventServer, MovesUpWhenThePortIsTaken)
{
    quint16 taken = 0;
    const int blocker = listenOnFreePort(&taken);
    ASSERT_GE(blocker, 0);
    QTcpEventServer server(taken);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(server.waitUntilListening(20000));
    EXPECT_GT(server.port(), taken);
    EXPECT_EQ(ZEVAHVEventPort::current(), server.port());  // announced = in use
    const int probe = connectTo(server.port());
    EXPECT_GE(probe, 0);
    ::close(probe);
    server.stop();
    ::close(blocker);
}

TEST(EventServer, SilentPeerIsClosedAndAMatchStartsTheListener)
{
    RecordingSink sink;
    Server s;
    s.server.setIdentTimeoutMs(500);
    ASSERT_TRUE(s.server.start());
    ASSERT_TRUE(s.server.waitUntilListening(20000));

    const std::string arg = "127.0.0.1:" + std::to_string(s.server.port()) + "_0";
    QSystemInterface sys(ZEVAHV_SYS_P731X, ZEVAHV_LINK_TCPIP, QString::fromStdString(arg), "Amp", 0);

    const int silent = connectTo(s.server.port());
    ASSERT_GE(silent, 0);
    const int peer = connectTo(s.server.port());
    ASSERT_GE(peer, 0);
    // Upper-case identity: matching ignores letter case.
    std::string shouted = arg;
    for (char &c : shouted)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    sendText(peer, shouted);

    // The silent peer is given up after its time-out: known only as
    // 127.0.0.1 it matches nobody and is closed, reporting nothing.  The
    // second peer's listener then starts; no library device serves the
    // connection, so its first read fails and it reports the system as
    // lost (code 0).
    ASSERT_TRUE(waitUntil([&] { return !sink.lost().empty(); }, 30000));
    EXPECT_TRUE(closedByPeer(silent, 20000));
    EXPECT_EQ(s.server.strayConnections(), 1);
    ASSERT_EQ(sink.lost().size(), 1u);
    EXPECT_EQ(sink.lost()[0].sys, &sys);
    EXPECT_EQ(sink.lost()[0].code, 0);
    EXPECT_TRUE(sys.hasEventConnection());
    EXPECT_FALSE(sys.eventsEnabled());
    sys.stopEventListener();
    EXPECT_FALSE(sys.isListenerRunning());
    ::close(silent);
    ::close(peer);
    s.server.stop();
}

TEST(EventServer, StrayPeersTouchNoSystem)
{
    RecordingSink sink;
    Server s;
    s.server.setIdentTimeoutMs(300);
    ASSERT_TRUE(s.server.start());
    ASSERT_TRUE(s.server.waitUntilListening(20000));
    QSystemInterface first(ZEVAHV_SYS_P731X, ZEVAHV_LINK_TCPIP, "127.0.0.1:1_0", "A", 0);
    QSystemInterface last(ZEVAHV_SYS_Q2904, ZEVAHV_LINK_TCPIP, "127.0.0.1:2_0", "B", 1);
    QSystemInterface custom(-1, -1, "", "All Devices", 2);
    custom.setCustomView(true);

    // A local program naming no system, a peer on another address sending
    // a few bytes (as a port scan or another program's mistake would), and
    // a local peer that floods text without ever ending it.
    const int local = connectTo(s.server.port());
    ASSERT_GE(local, 0);
    sendText(local, "127.0.0.1:3_0");
    const int remote = connectTo(s.server.port(), "127.0.0.9");
    ASSERT_GE(remote, 0);
    ASSERT_EQ(::send(remote, "hello", 5, MSG_NOSIGNAL), 5);
    const int flood = connectTo(s.server.port());
    ASSERT_GE(flood, 0);
    const std::string endless(2000, 'x');
    ASSERT_EQ(::send(flood, endless.data(), endless.size(), MSG_NOSIGNAL), ssize_t(endless.size()));

    EXPECT_TRUE(closedByPeer(local, 20000));
    EXPECT_TRUE(closedByPeer(remote, 20000));
    EXPECT_TRUE(closedByPeer(flood, 20000));
    ASSERT_TRUE(waitUntil([&] { return s.server.strayConnections() == 3; }, 20000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(sink.lost().empty());
    for (QSystemInterface *sys : {&first, &last}) {
        EXPECT_FALSE(sys->isListenerRunning());
        EXPECT_FALSE(sys->hasEventConnection());
    }
    ::close(local);
    ::close(remote);
    ::close(flood);
    s.server.stop();
}

TEST(EventServer, LongIdentificationOfASerialModuleMatches)
{
    // A module opened on a stable device name: the library names its event
    // connection by the whole argument, far longer than 30 characters.  A
    // system whose argument is the first 30 characters of it is not it.
    RecordingSink sink;
    Server s;
    ASSERT_TRUE(s.server.start());
    ASSERT_TRUE(s.server.waitUntilListening(20000));
    const std::string arg = "/dev/serial/by-id/usb-ZEVA-NIM-Amplifier-A1B2C3D4-if00-port0_9600_8_0_0_3";
    QSystemInterface other(ZEVAHV_SYS_Q2906, ZEVAHV_LINK_USBVCP,
                           QString::fromStdString(arg.substr(0, 30)), "Cut", 0);
    QSystemInterface sys(ZEVAHV_SYS_Q2906, ZEVAHV_LINK_USBVCP, QString::fromStdString(arg), "Disc", 1);

    const int peer = connectTo(s.server.port());
    ASSERT_GE(peer, 0);
    sendText(peer, arg);
    ASSERT_TRUE(waitUntil([&] { return sys.hasEventConnection(); }, 20000));
    EXPECT_FALSE(other.hasEventConnection());
    EXPECT_EQ(s.server.strayConnections(), 0);
    sys.stopEventListener();
    ::close(peer);
    s.server.stop();
}
