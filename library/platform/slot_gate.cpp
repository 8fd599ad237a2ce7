#include "platform/slot_gate.h"

namespace zevahv::platform {

void SlotGate::lock_shared() {
    std::unique_lock<std::mutex> lk(mutex_);
    writer_finished_.wait(lk, [&] { return !writer_ && writers_waiting_ == 0; });
    ++readers_;
}

void SlotGate::unlock_shared() {
    {
        std::lock_guard<std::mutex> lk(mutex_);
        --readers_;
    }
    readers_finished_.notify_all();
}

void SlotGate::lock() {
    std::unique_lock<std::mutex> lk(mutex_);
    ++writers_waiting_;
    readers_finished_.wait(lk, [&] { return readers_ == 0 && !writer_; });
    --writers_waiting_;
    writer_ = true;
}

void SlotGate::unlock() {
    {
        std::lock_guard<std::mutex> lk(mutex_);
        writer_ = false;
    }
    // Both kinds of waiter may be blocked: readers on the writer flag, a
    // second closer on readers_finished_.
    writer_finished_.notify_all();
    readers_finished_.notify_all();
}

int SlotGate::closers_waiting() {
    std::lock_guard<std::mutex> lk(mutex_);
    return writers_waiting_;
}

}  // namespace zevahv::platform
