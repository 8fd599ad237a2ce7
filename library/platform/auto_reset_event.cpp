#include "platform/auto_reset_event.h"

#include <chrono>

namespace zevahv::platform {

void AutoResetEvent::set() {
    {
        std::lock_guard<std::mutex> lk(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

void AutoResetEvent::wait() {
    std::unique_lock<std::mutex> lk(mutex_);
    cv_.wait(lk, [&] { return signalled_; });
    signalled_ = false;
}

bool AutoResetEvent::wait_for(int timeout_ms) {
    std::unique_lock<std::mutex> lk(mutex_);
    if (!cv_.wait_for(lk, std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms),
                      [&] { return signalled_; }))
        return false;
    signalled_ = false;
    return true;
}

void AutoResetEvent::reset() {
    std::lock_guard<std::mutex> lk(mutex_);
    signalled_ = false;
}

}  // namespace zevahv::platform
