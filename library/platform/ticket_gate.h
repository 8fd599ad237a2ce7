// A first-come-first-served lock: each taker draws the next ticket and waits
// until the gate serves that number.  Used for the library-wide order of
// opens and closes and for the request order on one mainframe or crate
// power-supply connection.  Meets BasicLockable, so std::lock_guard works.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zevahv::platform {

class TicketGate {
public:
    void lock();
    void unlock();

private:
    std::mutex mutex_;
    std::condition_variable served_;
    std::uint64_t next_ticket_ = 0;
    std::uint64_t now_serving_ = 0;
};

}  // namespace zevahv::platform
