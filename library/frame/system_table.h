// The 100 system slots behind the handles, and the gates that order calls.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

#include "ZEVAHVLink.h"
#include "frame/family.h"
#include "platform/slot_gate.h"
#include "platform/ticket_gate.h"

namespace zevahv {

constexpr int kSystemSlots = ZEVAHV_MAX_SYSTEMS;
constexpr std::size_t kSlotTextSize = 80;  // lock name and address: 80 characters

enum class SlotState { Free, Opening, Open };

struct SystemSlot {
    // Written by open and close only, under table_mutex().  A call reads
    // them through view_slot() without that mutex: open stores every field
    // before it publishes the slot as Open (release), and close, which
    // clears them, holds the slot gate exclusively, so a call that holds
    // the gate shared and saw Open (acquire) reads a complete, stable slot.
    // Scans over all slots take table_mutex().
    std::atomic<SlotState> state{SlotState::Free};
    int system_type = 0;
    int family = 0;
    int link_type = 0;
    void *ctx = nullptr;             // the backend's record of the system
    const FamilyOps *ops = nullptr;  // the backend that opened the slot
    const FamilyTraits *traits = nullptr;  // its traits row as at the open
    char lock_name[kSlotTextSize + 1] = {};
    char address[kSlotTextSize + 1] = {};

    // Orders the requests on one connection, for the operations that the
    // family's traits row names (mainframes, the crate power supply).
    platform::TicketGate conn_gate;
    // Shared by every call on the handle, exclusive for its close.
    platform::SlotGate gate;
};

// What a call needs to know about an open slot.
struct SlotView {
    bool open = false;
    int family = 0;
    int link_type = 0;
    void *ctx = nullptr;
    const FamilyOps *ops = nullptr;
    const FamilyTraits *traits = nullptr;
    SystemSlot *slot = nullptr;
};

SystemSlot &system_slot(int handle);
std::mutex &table_mutex();
// Open systems whose family delivers events from local polling (changed
// with the slot's state, under table_mutex()).
std::atomic<int> &local_polling_systems();
// Orders every open and close, first come first served.
platform::TicketGate &global_gate();

inline bool valid_handle(int handle) {
    return handle >= 0 && handle < kSystemSlots;
}

// Snapshot of a slot (the caller holds its gate, shared or exclusive).
inline SlotView view_slot(int handle) {
    SystemSlot &s = system_slot(handle);
    SlotView v;
    v.slot = &s;
    v.open = s.state.load(std::memory_order_acquire) == SlotState::Open;
    if (v.open) {
        v.family = s.family;
        v.link_type = s.link_type;
        v.ctx = s.ctx;
        v.ops = s.ops;
        v.traits = s.traits;
    }
    return v;
}

// Copies at most kSlotTextSize characters and terminates.
void copy_slot_text(char (&dst)[kSlotTextSize + 1], const char *src);

}  // namespace zevahv
