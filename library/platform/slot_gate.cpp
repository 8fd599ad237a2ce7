#include "platform/slot_gate.h"

namespace zevahv::platform {

// A call that found a closer announced: it takes its count back (waking the
// closer if it was the last one counted) and waits until no closer is left,
// then tries again.  The closer's announcement and the call's add are
// read-modify-writes of one word, so exactly one of them sees the other.
void SlotGate::wait_for_closers() {
    for (;;) {
        unlock_shared();
        {
            std::unique_lock<std::mutex> lk(mutex_);
            closers_gone_.wait(lk, [&] {
                return (state_.load(std::memory_order_acquire) & kCloserMask) == 0;
            });
        }
        if ((state_.fetch_add(kCaller, std::memory_order_acquire) & kCloserMask) == 0) return;
    }
}

void SlotGate::wake_closer() {
    // Taken so that the closer is either before its check (and will see no
    // call inside) or already asleep (and gets this notification).
    { std::lock_guard<std::mutex> lk(mutex_); }
    callers_gone_.notify_all();
}

void SlotGate::lock() {
    // Announced first: from here on no new call gets in.
    state_.fetch_add(kCloser, std::memory_order_acq_rel);
    closing_.lock();
    std::unique_lock<std::mutex> lk(mutex_);
    callers_gone_.wait(lk, [&] {
        return (state_.load(std::memory_order_acquire) & kCallerMask) == 0;
    });
}

void SlotGate::unlock() {
    closing_.unlock();
    const std::uint32_t before = state_.fetch_sub(kCloser, std::memory_order_release);
    if ((before & kCloserMask) == kCloser) {
        // The last closer: the calls that waited go in.
        { std::lock_guard<std::mutex> lk(mutex_); }
        closers_gone_.notify_all();
    }
}

int SlotGate::closers_waiting() const {
    return static_cast<int>(state_.load(std::memory_order_acquire) >> 20);
}

}  // namespace zevahv::platform
