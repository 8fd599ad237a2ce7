#ifndef EVENTWATCHDOG_H
#define EVENTWATCHDOG_H

#include <atomic>

#include <QObject>
#include <QString>

class QSystemInterface;
class QThread;
class QTimer;

// Watches one system's events from the GUI thread once it is subscribed.
//
// Arrival: when the system's own event connection has not reached the event
// server within the arrival time, its events cannot reach the program (a
// firewall, a wrong route, a server that did not start): the system is
// reported with code 1.
//
// Silence: a module polled by the library sends a frame every cycle, about
// twice a second, while it answers.  When no batch came for the silence
// time, one value is read back through the library on a worker thread; a
// read that fails on the link reports the system as lost (code 0) at once,
// instead of after the library's long wait for event data.  A read that
// succeeds means a slow system, not a lost one, and nothing is reported.
//
// Each report is made once; after it the watchdog stops.
class QEventWatchdog : public QObject
{
    Q_OBJECT
public:
    explicit QEventWatchdog(QSystemInterface *sys);
    ~QEventWatchdog() override;  // stops, waits for a probe in flight

    // Starts watching (GUI thread).
    void arm();
    // Stops watching and waits for a probe in flight.
    void stop();
    bool isArmed() const;
    // True once it has reported its system.
    bool hasReported() const { return m_reported; }

    // For the listener thread: a batch arrived now.
    void noteBatch();

    // Times used by watchdogs armed from now on (tests shorten them).
    static void setTimes(int arrivalMs, int silenceMs);
    static int arrivalMs();
    static int silenceMs();

    // True when a read result means the link to the system is gone.
    static bool isLinkFailure(int result);

private:
    void tick();
    void report(int code);
    void startProbe();
    void joinProbe();

    QSystemInterface *m_sys;
    QTimer *m_timer;
    qint64 m_armedMs = 0;                   // steady clock, milliseconds
    std::atomic<qint64> m_lastBatchMs{-1};  // steady clock; -1: none yet
    QThread *m_probe = nullptr;
    std::atomic<int> m_probeResult{0};
    int m_arrivalMs = 0;
    int m_silenceMs = 0;
    bool m_reported = false;
};

#endif // EVENTWATCHDOG_H
