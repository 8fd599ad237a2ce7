#include "qtcpeventserver.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QString>

#include "eventport.h"
#include "eventsink.h"
#include "identitymatch.h"
#include "qsysteminterface.h"
#include "systemregistry.h"

namespace {

// The longest identification text taken, terminator included: the library
// names a module by its whole connection argument, and a serial module opened
// on a long device path (/dev/serial/by-id/...) has a long one.  A peer that
// sends more without a terminator is no polling thread of ours.
constexpr int kIdentMax = 512;

QString peerAddress(int fd)
{
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len) != 0 || peer.sin_family != AF_INET)
        return QString();
    char text[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text))
        return QString();
    return QString::fromLatin1(text);
}

// Reads the identification text that opens a connection from the local
// host, up to its terminator (at most kIdentMax bytes), never more, so the
// frames behind it stay intact.  Waits at most `timeoutMs` for it; a
// connection that opens with an event frame instead has no identification.
QString readIdentification(int fd, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<char> buf(kIdentMax);
    int have = 0;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        const ssize_t n = ::recv(fd, buf.data(), buf.size(), MSG_PEEK);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            have = 0;
            break;  // closed or failed
        }
        have = int(n);
        if (have >= 6 && std::memcmp(buf.data(), "ZEVAHV", 6) == 0)
            return QString();  // an event frame, not an identification
        if (std::memchr(buf.data(), 0, size_t(have)))
            break;
        if (have == kIdentMax)
            return QString();  // too long to be any system's argument
        // Part of the text so far: the peeked bytes keep the socket
        // readable, so pause briefly before looking again.
        ::poll(nullptr, 0, 10);
    }
    if (have <= 0)
        return QString();
    int consumed = 0;
    const QString ident = ZEVAHVIdentity::identificationText(buf.data(), have, &consumed);
    // Take exactly the text (and its terminator) out of the stream.
    int taken = 0;
    while (taken < consumed) {
        const ssize_t n = ::recv(fd, buf.data() + taken, size_t(consumed - taken), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        taken += int(n);
    }
    return ident;
}

} // namespace

QTcpEventServer::QTcpEventServer(quint16 firstPort) : m_firstPort(firstPort) {}

QTcpEventServer::~QTcpEventServer()
{
    stop();
}

bool QTcpEventServer::start()
{
    if (m_thread.joinable())
        return true;
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0)
        return false;
    m_stop = false;
    try {
        m_thread = std::thread(&QTcpEventServer::run, this);
    } catch (...) {
        ::close(m_wakePipe[0]);
        ::close(m_wakePipe[1]);
        m_wakePipe[0] = m_wakePipe[1] = -1;
        return false;
    }
    return true;
}

void QTcpEventServer::stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    const char c = 'x';
    [[maybe_unused]] ssize_t w = ::write(m_wakePipe[1], &c, 1);
    m_thread.join();
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
    m_wakePipe[0] = m_wakePipe[1] = -1;
}

bool QTcpEventServer::waitUntilListening(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_stateMutex);
    m_stateChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_started; });
    return m_started && !m_failed;
}

void QTcpEventServer::reportStartFailure()
{
    m_failed = true;
    if (ZEVAHVEventSink *sink = ZEVAHVEventSink::current())
        sink->reportServerFailure();
}

bool QTcpEventServer::bindAndListen()
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return false;
    // Bind at the event port; while a port is taken try the next one, up to
    // (not including) 65535.
    for (quint32 port = m_firstPort; port < 65535; ++port) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        addr.sin_port = htons(quint16(port));
        if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
            if (::listen(m_listenFd, 5) != 0)
                break;
            ZEVAHVEventPort::set(quint16(port));
            m_port = quint16(port);
            return true;
        }
        if (errno != EADDRINUSE)
            break;
    }
    ::close(m_listenFd);
    m_listenFd = -1;
    return false;
}

void QTcpEventServer::run()
{
    const bool ok = bindAndListen();
    if (!ok)
        reportStartFailure();
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_started = true;
    }
    m_stateChanged.notify_all();
    if (!ok)
        return;

    while (!m_stop) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents || m_stop)
            break;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;  // a failed accept is ignored
        handleConnection(fd);
    }
    ::close(m_listenFd);
    m_listenFd = -1;
}

void QTcpEventServer::handleConnection(int fd)
{
    if (!ZEVAHVEventSink::current()) {
        ::close(fd);
        return;
    }
    const QString peer = peerAddress(fd);
    const bool local = peer == QLatin1String("127.0.0.1");
    QString identity;
    if (local)
        identity = readIdentification(fd, m_identTimeoutMs);
    if (identity.isEmpty())
        identity = peer;
    // A remote peer (a mainframe) is known by its address alone, which may
    // stand before a ":port" suffix in the connection argument; a local
    // peer without identification text matches only an argument that is
    // exactly its address.
    const bool byPeer = !local;

    bool matched = false;
    QSystemRegistry::withLive([&](const std::vector<QSystemInterface *> &systems) {
        for (QSystemInterface *sys : systems) {
            if (sys->connectionArgument().isEmpty())
                continue;  // the custom view has no connection
            if (!ZEVAHVIdentity::matches(identity, sys->connectionArgument(), byPeer))
                continue;
            matched = true;
            if (!sys->startEventListener(fd))
                ::close(fd);  // closing, or a listener still serves it
            return;
        }
    });
    if (matched)
        return;
    // Nobody expects this connection: a port scan, another program's
    // mistake, a system already closed.  It says nothing about the systems
    // that work, so none of them is touched; a system whose own events do
    // not arrive is reported by its watchdog instead.
    ++m_strays;
    std::fprintf(stderr, "Velmora: event connection from %s (\"%s\") matches no system; closed\n",
                 qPrintable(peer), qPrintable(identity.left(80)));
    ::close(fd);
}
