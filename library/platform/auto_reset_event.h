// An event that lets exactly one wait through per set() and then falls back
// to unsignalled by itself.  A set() with nobody waiting is kept until the
// next wait.  The polling threads use it to tell their opener that they have
// started and their closer that they have ended, and as an interruptible
// sleep between cycles.
#pragma once

#include <condition_variable>
#include <mutex>

namespace zevahv::platform {

class AutoResetEvent {
public:
    void set();
    // Waits until set; consumes the signal.
    void wait();
    // Waits at most timeout_ms; true when signalled (the signal is consumed),
    // false on time-out.
    bool wait_for(int timeout_ms);
    // Drops a pending signal.
    void reset();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

}  // namespace zevahv::platform
