#include "platform/ticket_gate.h"

namespace zevahv::platform {

void TicketGate::lock() {
    std::unique_lock<std::mutex> lk(mutex_);
    const std::uint64_t ticket = next_ticket_++;
    served_.wait(lk, [&] { return now_serving_ == ticket; });
}

void TicketGate::unlock() {
    {
        std::lock_guard<std::mutex> lk(mutex_);
        ++now_serving_;
    }
    served_.notify_all();
}

}  // namespace zevahv::platform
