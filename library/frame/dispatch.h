// The pattern every export on a handle follows: refuse a handle outside
// 0..99, hold the slot gate shared, answer 4098 for a closed slot, order
// the request on the connection for the families that share one
// request/reply stream, then call the family's operation or, when the
// family does not offer it, give the fixed answer of that family.
#pragma once

#include <mutex>
#include <new>
#include <shared_mutex>

#include "frame/system_table.h"

namespace zevahv {

// Operations with a fixed answer for families that do not offer them.
enum class Op {
    GetCrateMap, TestBdPresence, GetSysPropList, GetSysPropInfo, GetSysProp,
    SetSysProp, GetExecCommList, ExecComm, GetBdParamInfo, GetBdParamProp,
    GetBdParam, SetBdParam, GetChParamInfo, GetChParamProp, GetChParam,
    SetChParam, GetChName, SetChName, Subscribe, UnSubscribe,
};

// The answer of a family that has no operation for op: a result code, or
// (empty_list) success with a count of 0 and a null list.
struct FixedAnswer {
    int code;
    bool empty_list;
};
FixedAnswer not_offered(Op op, int family);

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

// Calls f(const SlotView &) under the slot gate (shared) of an open slot.
// crate_ordered: the crate power supply (family 7) also takes its
// connection gate for this operation.
template <typename F>
int on_open_slot(int handle, bool crate_ordered, F &&f) noexcept {
    if (!valid_handle(handle)) return ZEVAHV_ERR_INVALIDPARAMETER;
    return guarded([&]() -> int {
        SystemSlot &slot = system_slot(handle);
        std::shared_lock<platform::SlotGate> gate(slot.gate);
        const SlotView v = view_slot(handle);
        if (!v.open || v.ops == nullptr) return ZEVAHV_ERR_NOTCONNECTED;
        if (family_orders_requests(v.family) || (crate_ordered && v.family == 7)) {
            std::lock_guard<platform::TicketGate> order(slot.conn_gate);
            return f(v);
        }
        return f(v);
    });
}

}  // namespace zevahv
