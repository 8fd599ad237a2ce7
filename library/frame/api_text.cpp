// Error texts, the release text and the release of returned lists.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "frame/dispatch.h"

using namespace zevahv;

namespace {

const char kConnectionFailed[] = " Connection failed ";
char g_release[] = "6.4";

// The text of an open slot (the caller holds its slot gate shared).
const char *slot_error_text(SystemSlot &slot, const SlotView &v) {
    // Families without texts (modules, register access) report by code only.
    if (!v.traits->error_text || v.ops->get_error == nullptr) return "";
    const char *t = nullptr;
    if (v.traits->gated.has(Op::GetError)) {
        std::lock_guard<platform::TicketGate> order(slot.conn_gate);
        t = v.ops->get_error(v.ctx);
    } else {
        t = v.ops->get_error(v.ctx);
    }
    return t ? t : "";
}

const char *error_text(int handle) noexcept {
    if (!valid_handle(handle)) return kConnectionFailed;
    try {
        SystemSlot &slot = system_slot(handle);
        std::shared_lock<platform::SlotGate> gate(slot.gate);
        const SlotView v = view_slot(handle);
        if (!v.open || v.ops == nullptr || v.traits == nullptr) return kConnectionFailed;
        return slot_error_text(slot, v);
    } catch (...) {
        return kConnectionFailed;
    }
}

}  // namespace

extern "C" ZEVAHV_API const char *ZEVAHV_GetError(int handle) { return error_text(handle); }

extern "C" ZEVAHV_API const char *ZEVAHVGetError(const char *SystemName) {
    if (SystemName == nullptr) return kConnectionFailed;
    int handle = -1;
    {
        std::lock_guard<std::mutex> lk(table_mutex());
        for (int i = 0; i < kSystemSlots && handle < 0; ++i) {
            const SystemSlot &s = system_slot(i);
            if (s.state == SlotState::Open && std::strcmp(s.lock_name, SystemName) == 0)
                handle = i;
        }
    }
    if (handle < 0) return kConnectionFailed;
    return error_text(handle);
}

extern "C" ZEVAHV_API char *ZEVAHVLibSwRel(void) { return g_release; }

extern "C" ZEVAHV_API int ZEVAHV_Free(void *arg) {
    std::free(arg);
    return ZEVAHV_OK;
}
