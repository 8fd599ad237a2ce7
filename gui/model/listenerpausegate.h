#ifndef LISTENERPAUSEGATE_H
#define LISTENERPAUSEGATE_H

#include <condition_variable>
#include <functional>
#include <mutex>

// The process-wide gate that stops every event listener around the close of
// a system in the library.
//
// The disconnect flow calls pause(): it raises the flag, sets the waiting
// counter to the number of listeners that run, and waits until each of them
// has reached its pause point (or ended).  Listeners call checkpoint() once
// per pass: while the flag is raised they count themselves down, the last
// one wakes the flow, and all wait until resume().
//
// Counting down and waiting happen under one mutex and the flow waits on a
// predicate, so a listener that arrives before the flow starts to wait
// cannot be missed.  Listeners that end while paused count as arrived, and a
// listener that starts during a pause joins it, so the flow cannot wait for
// a listener that will never come.
class ListenerPauseGate
{
public:
    static ListenerPauseGate &instance();

    // Pauses all running listeners.  Returns true when all have arrived,
    // false when the time-out passed first (the flag stays raised either way
    // until resume()).
    bool pause(int timeoutMs = 30000);
    void resume();
    bool isPaused() const;

    // --- listener side ------------------------------------------------------
    // A listener's registration; one per listener thread.
    class Ticket
    {
    public:
        explicit Ticket(ListenerPauseGate &gate);
        ~Ticket();  // unregisters; counts as arrived when a pause waits
        Ticket(const Ticket &) = delete;
        Ticket &operator=(const Ticket &) = delete;
        // The pause point.  `stop` is asked while waiting: a listener whose
        // system closes is let go without a resume.
        void checkpoint(const std::function<bool()> &stop);

    private:
        ListenerPauseGate &m_gate;
        unsigned long m_countedEpoch = 0;
    };

    // Wakes listeners parked at the pause point so that they re-check their
    // stop condition (used when a system closes during a pause).
    void wakeListeners();

    // For tests: listeners registered now, and listeners still expected by
    // the current pause.
    int runningListeners() const;
    int waitingCount() const;

private:
    ListenerPauseGate() = default;

    mutable std::mutex m_mutex;
    std::condition_variable m_pausedCondition;  // the flow waits here
    std::condition_variable m_resumeCondition;  // listeners wait here
    bool m_paused = false;
    int m_waiting = 0;
    int m_running = 0;
    unsigned long m_epoch = 0;  // grows by one per pause
};

#endif // LISTENERPAUSEGATE_H
