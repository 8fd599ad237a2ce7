#include "listenerpausegate.h"

#include <chrono>

ListenerPauseGate &ListenerPauseGate::instance()
{
    static ListenerPauseGate gate;
    return gate;
}

bool ListenerPauseGate::pause(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_paused = true;
    ++m_epoch;
    m_waiting = m_running;
    return m_pausedCondition.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [this] { return m_waiting <= 0; });
}

void ListenerPauseGate::resume()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paused = false;
        m_waiting = 0;
    }
    m_resumeCondition.notify_all();
}

bool ListenerPauseGate::isPaused() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_paused;
}

void ListenerPauseGate::wakeListeners()
{
    // Taking the mutex orders the caller's stop flag before the waiters'
    // re-check, so a listener cannot miss it.
    { std::lock_guard<std::mutex> lock(m_mutex); }
    m_resumeCondition.notify_all();
}

int ListenerPauseGate::runningListeners() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running;
}

int ListenerPauseGate::waitingCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting;
}

ListenerPauseGate::Ticket::Ticket(ListenerPauseGate &gate) : m_gate(gate)
{
    std::lock_guard<std::mutex> lock(m_gate.m_mutex);
    ++m_gate.m_running;
    if (m_gate.m_paused)
        ++m_gate.m_waiting;  // started during a pause: it joins the pause
    m_countedEpoch = m_gate.m_epoch - (m_gate.m_paused ? 1 : 0);
}

ListenerPauseGate::Ticket::~Ticket()
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_gate.m_mutex);
        --m_gate.m_running;
        if (m_gate.m_paused && m_countedEpoch != m_gate.m_epoch) {
            // Ends before reaching the pause point: it will not hold anything
            // up, so it counts as arrived.
            if (--m_gate.m_waiting <= 0)
                wake = true;
        }
    }
    if (wake)
        m_gate.m_pausedCondition.notify_all();
}

void ListenerPauseGate::Ticket::checkpoint(const std::function<bool()> &stop)
{
    std::unique_lock<std::mutex> lock(m_gate.m_mutex);
    if (!m_gate.m_paused)
        return;
    if (m_countedEpoch != m_gate.m_epoch) {
        m_countedEpoch = m_gate.m_epoch;
        if (--m_gate.m_waiting <= 0)
            m_gate.m_pausedCondition.notify_all();
    }
    const unsigned long epoch = m_gate.m_epoch;
    m_gate.m_resumeCondition.wait(lock, [&] {
        return !m_gate.m_paused || m_gate.m_epoch != epoch || (stop && stop());
    });
}
