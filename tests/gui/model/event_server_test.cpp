// The event server on real loopback sockets: binding upward, peers that say
// nothing, peers that match a system and peers that match none.
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
#include <QSignalSpy>

#include "eventport.h"
#include "mainwindow.h"
#include "qsysteminterface.h"
#include "qtcpeventserver.h"

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

int connectTo(quint16 port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
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

// Processes Qt events until the spy has a record or the time is up.
bool waitForSignal(QSignalSpy &spy, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (spy.isEmpty() && Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        spy.wait(20);
    }
    return !spy.isEmpty();
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

TEST(EventServer, SilentPeerDoesNotStopOthersAndMatchStartsTheListener)
{
    MainWindow::getInstance();
    Server s;
    s.server.setIdentTimeoutMs(500);
    ASSERT_TRUE(s.server.start());
    ASSERT_TRUE(s.server.waitUntilListening(20000));

    const std::string arg = "127.0.0.1:" + std::to_string(s.server.port()) + "_0";
    QSystemInterface sys(8, 0, QString::fromStdString(arg), "Amp", 0);
    QSignalSpy lost(MainWindow::getInstance(), &MainWindow::systemDisconnected);

    const int silent = connectTo(s.server.port());
    ASSERT_GE(silent, 0);
    const int peer = connectTo(s.server.port());
    ASSERT_GE(peer, 0);
    // Upper-case identity: matching ignores letter case.
    std::string shouted = arg;
    for (char &c : shouted)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    sendText(peer, shouted);

    // The silent peer is given up after its time-out and, known only as
    // 127.0.0.1, matches nobody (code 1).  The second peer's listener then
    // starts; no library device serves the connection, so its first read
    // fails and it reports the system as lost (code 0).
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (lost.size() < 2 && Clock::now() < deadline) {
        QCoreApplication::processEvents();
        lost.wait(50);
    }
    ASSERT_EQ(lost.size(), 2);
    EXPECT_EQ(lost.at(0).at(0).value<QSystemInterface *>(), &sys);
    EXPECT_EQ(lost.at(0).at(1).toInt(), 1);
    EXPECT_EQ(lost.at(1).at(0).value<QSystemInterface *>(), &sys);
    EXPECT_EQ(lost.at(1).at(1).toInt(), 0);
    EXPECT_FALSE(sys.eventsEnabled());
    EXPECT_TRUE(closedByPeer(silent, 20000));
    sys.stopEventListener();
    EXPECT_FALSE(sys.isListenerRunning());
    ::close(silent);
    ::close(peer);
    s.server.stop();
}

TEST(EventServer, UnmatchedPeerIsReportedAndClosed)
{
    MainWindow::getInstance();
    Server s;
    ASSERT_TRUE(s.server.start());
    ASSERT_TRUE(s.server.waitUntilListening(20000));
    QSystemInterface first(8, 0, "127.0.0.1:1_0", "A", 0);
    QSystemInterface last(12, 0, "127.0.0.1:2_0", "B", 1);
    QSystemInterface custom(-1, -1, "", "All Devices", 2);
    custom.setCustomView(true);
    QSignalSpy lost(MainWindow::getInstance(), &MainWindow::systemDisconnected);

    const int peer = connectTo(s.server.port());
    ASSERT_GE(peer, 0);
    sendText(peer, "127.0.0.1:3_0");
    ASSERT_TRUE(waitForSignal(lost, 30000));
    EXPECT_EQ(lost.first().at(0).value<QSystemInterface *>(), &last);  // not "All Devices"
    EXPECT_EQ(lost.first().at(1).toInt(), 1);
    EXPECT_TRUE(closedByPeer(peer, 20000));
    EXPECT_FALSE(first.isListenerRunning());
    EXPECT_FALSE(last.isListenerRunning());

    // A closing system is not reported.
    last.setClosing(true);
    first.setClosing(true);
    lost.clear();
    const int again = connectTo(s.server.port());
    sendText(again, "nobody");
    EXPECT_TRUE(closedByPeer(again, 20000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(lost.isEmpty());
    ::close(peer);
    ::close(again);
    s.server.stop();
}
