// The shared/exclusive gate of one system slot.  Every call on a handle holds
// it shared, so calls on one handle may overlap; closing the handle holds it
// exclusively, waiting until no call is inside and keeping new ones out.
// A waiting closer is served before callers that arrive after it, so a busy
// handle can still be closed.  Shared holders must not take it again
// (no recursion), or a waiting closer would block them.
// Meets SharedLockable: std::shared_lock / std::unique_lock work.
//
// Every export passes the shared side twice (in and out), so it costs one
// atomic add each way while no closer is about: callers and closers meet in
// one word that counts both, and only a closer's arrival sends callers to
// the mutex and condition variables below.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zevahv::platform {

class SlotGate {
public:
    void lock_shared() {
        // One add: if no closer has announced itself the call is in.
        if ((state_.fetch_add(kCaller, std::memory_order_acquire) & kCloserMask) == 0) return;
        wait_for_closers();
    }
    void unlock_shared() {
        const std::uint32_t before = state_.fetch_sub(kCaller, std::memory_order_release);
        // The last call out while a closer waits hands the slot over.
        if ((before & kCloserMask) != 0 && (before & kCallerMask) == kCaller) wake_closer();
    }
    void lock();
    void unlock();

    // Closers blocked in lock() or holding it right now (for tests).
    int closers_waiting() const;

private:
    // Calls inside in the low 20 bits, closers (waiting or holding the
    // gate) above them.
    static constexpr std::uint32_t kCaller = 1;
    static constexpr std::uint32_t kCallerMask = (1u << 20) - 1;
    static constexpr std::uint32_t kCloser = 1u << 20;
    static constexpr std::uint32_t kCloserMask = ~kCallerMask;

    void wait_for_closers();
    void wake_closer();

    std::atomic<std::uint32_t> state_{0};
    std::mutex closing_;                 // held by the closer inside
    std::mutex mutex_;                   // for the waits below only
    std::condition_variable closers_gone_;
    std::condition_variable callers_gone_;
};

}  // namespace zevahv::platform
