#ifndef QTCPEVENTSERVER_H
#define QTCPEVENTSERVER_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QtGlobal>

// The one listening endpoint for event connections of all systems.  Its
// thread binds on all local IPv4 addresses at the event port (moving up by
// one while a port is taken), then accepts connections for the life of the
// program: a connection from the local host opens with the identification
// text of the library's polling thread, any other peer is known by its
// address.  The matching system gets the connection and its event listener
// is started; the connection of a peer that matches no system is logged and
// closed, and no system is touched by it.
//
// A start-up failure is reported through the event sink.
class QTcpEventServer
{
public:
    explicit QTcpEventServer(quint16 firstPort = 4527);
    ~QTcpEventServer();  // stops the thread

    QTcpEventServer(const QTcpEventServer &) = delete;
    QTcpEventServer &operator=(const QTcpEventServer &) = delete;

    // Starts the server thread; false when the thread cannot be created.
    bool start();
    // Ends the accept loop and waits for the thread.
    void stop();

    // Waits until the port is bound (true) or start-up failed (false).
    bool waitUntilListening(int timeoutMs);
    quint16 port() const { return m_port.load(); }
    bool hasFailed() const { return m_failed.load(); }
    // Connections closed because they matched no system.
    int strayConnections() const { return m_strays.load(); }

    // How long a local peer may take to send its identification text.
    void setIdentTimeoutMs(int ms) { m_identTimeoutMs = ms; }

private:
    void run();
    bool bindAndListen();
    void handleConnection(int fd);
    void reportStartFailure();

    quint16 m_firstPort;
    int m_identTimeoutMs = 2000;
    std::thread m_thread;
    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};
    std::atomic<quint16> m_port{0};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_strays{0};
    std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    bool m_started = false;  // bound or failed
};

#endif // QTCPEVENTSERVER_H
