// The pattern every export on a handle follows: refuse a handle outside
// 0..99, hold the slot gate shared, answer 4098 for a closed slot, order
// the request on the connection where the family's traits row says so, then
// call the family's operation with its context or, when the family does not
// offer it, give the family's fixed answer.
#pragma once

#include <mutex>
#include <new>
#include <shared_mutex>

#include "frame/system_table.h"

namespace zevahv {

// The answer of the slot's family for an operation its backend lacks.
inline FixedAnswer not_offered(Op op, const SlotView &v) { return v.traits->fixed[op]; }

// Runs f and turns an escaping exception into a result code: no exception
// may cross the C interface.
template <typename F>
int guarded(F &&f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc &) {
        return ZEVAHV_ERR_NOMEMORY;
    } catch (...) {
        return ZEVAHV_ERR_INVALIDPARAMETER;
    }
}

// Calls f(const SlotView &) under the slot gate (shared) of an open slot,
// and inside its connection ticket gate when the family's traits row orders
// op on the connection.
template <typename F>
int on_open_slot(int handle, Op op, F &&f) noexcept {
    if (!valid_handle(handle)) return ZEVAHV_ERR_INVALIDPARAMETER;
    return guarded([&]() -> int {
        SystemSlot &slot = system_slot(handle);
        std::shared_lock<platform::SlotGate> gate(slot.gate);
        const SlotView v = view_slot(handle);
        if (!v.open || v.ops == nullptr || v.traits == nullptr) return ZEVAHV_ERR_NOTCONNECTED;
        if (v.traits->gated.has(op)) {
            std::lock_guard<platform::TicketGate> order(slot.conn_gate);
            return f(v);
        }
        return f(v);
    });
}

// The export's usual body: the family's operation (a member of FamilyOps)
// with the system's context and the caller's arguments, or the family's
// fixed answer when its backend lacks the operation.
template <auto Member, typename... Args>
int dispatch(int handle, Op op, Args... args) noexcept {
    return on_open_slot(handle, op, [&](const SlotView &v) -> int {
        const auto fn = v.ops->*Member;
        if (fn == nullptr) return not_offered(op, v).code;
        return fn(v.ctx, args...);
    });
}

}  // namespace zevahv
