#include "eventport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ZEVAHVEventPort {
namespace {
std::atomic<quint16> g_port{DefaultPort};
std::mutex g_mutex;
std::condition_variable g_bound;
bool g_isBound = false;
} // namespace

quint16 current() { return g_port.load(); }

void set(quint16 port)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_port.store(port);
        g_isBound = true;
    }
    g_bound.notify_all();
}

bool waitUntilBound(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(g_mutex);
    return g_bound.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return g_isBound; });
}

} // namespace ZEVAHVEventPort
