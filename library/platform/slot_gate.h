// The shared/exclusive gate of one system slot.  Every call on a handle holds
// it shared, so calls on one handle may overlap; closing the handle holds it
// exclusively, waiting until no call is inside and keeping new ones out.
// A waiting closer is served before callers that arrive after it, so a busy
// handle can still be closed.  Shared holders must not take it again
// (no recursion), or a waiting closer would block them.
// Meets SharedLockable: std::shared_lock / std::unique_lock work.
#pragma once

#include <condition_variable>
#include <mutex>

namespace zevahv::platform {

class SlotGate {
public:
    void lock_shared();
    void unlock_shared();
    void lock();
    void unlock();

    // Closers blocked in lock() right now (for diagnostics and tests).
    int closers_waiting();

private:
    std::mutex mutex_;
    std::condition_variable writer_finished_;
    std::condition_variable readers_finished_;
    int readers_ = 0;
    int writers_waiting_ = 0;
    bool writer_ = false;
};

}  // namespace zevahv::platform
