#include "frame/system_table.h"

#include <cstring>

namespace zevahv {

namespace {

// Constructed before first use by any thread; never destroyed before the
// library is unloaded (the objects are static for the life of the process).
struct Tables {
    SystemSlot slots[kSystemSlots];
    std::mutex mutex;
    std::atomic<int> local_polling{0};
    platform::TicketGate global;
};

Tables &tables() {
    static Tables *t = new Tables;  // intentionally never freed: calls may
                                    // still arrive from threads at exit
    return *t;
}

}  // namespace

SystemSlot &system_slot(int handle) { return tables().slots[handle]; }
std::mutex &table_mutex() { return tables().mutex; }
std::atomic<int> &local_polling_systems() { return tables().local_polling; }
platform::TicketGate &global_gate() { return tables().global; }

void copy_slot_text(char (&dst)[kSlotTextSize + 1], const char *src) {
    std::size_t n = src ? strnlen(src, kSlotTextSize) : 0;
    if (n) std::memcpy(dst, src, n);
    dst[n] = '\0';
}

}  // namespace zevahv
