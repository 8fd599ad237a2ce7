// ZEVAHV_GetEventData and its legacy counterpart: which reader serves an
// event socket is decided by the socket's peer.  Frames of the library's
// own polling threads come from 127.0.0.1; any other peer is a mainframe
// that was opened at that address.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "frame/dispatch.h"
#include "frame/event_reader.h"
#include "frame/families.h"
#include "platform/tcp.h"

using namespace zevahv;

namespace {

constexpr int kBad = ZEVAHV_ERR_INVALIDPARAMETER;

// True while any open system's family delivers events from local polling.
bool polling_device_active() {
    std::lock_guard<std::mutex> lk(table_mutex());
    for (int i = 0; i < kSystemSlots; ++i) {
        const SystemSlot &s = system_slot(i);
        if (s.state == SlotState::Open && s.ops != nullptr && s.ops->polls_locally) return true;
    }
    return false;
}

// The host part of an address as the caller gave it: an optional ":port"
// suffix (simulators, forwarded ports) does not belong to the host.
std::string host_part(const char *address) {
    const char *colon = std::strchr(address, ':');
    return colon ? std::string(address, colon) : std::string(address);
}

// The open slot of the given family whose address is that host, or -1.
int slot_of_peer(const std::string &peer, int family) {
    std::lock_guard<std::mutex> lk(table_mutex());
    for (int i = 0; i < kSystemSlots; ++i) {
        const SystemSlot &s = system_slot(i);
        if (s.state == SlotState::Open && s.family == family && host_part(s.address) == peer)
            return i;
    }
    return -1;
}

template <typename F>
int on_peer_slot(int handle, F &&f) {
    SystemSlot &slot = system_slot(handle);
    // Held shared so the system cannot be closed under the reader.
    std::shared_lock<platform::SlotGate> gate(slot.gate);
    const SlotView v = view_slot(handle);
    if (!v.open || v.ops == nullptr) return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
    return f(v);
}

int get_event_data(int sock, ZEVAHV_SYSTEMSTATUS_t *status, IDValue_t **events,
                   unsigned *count) {
    std::string peer;
    if (!platform::peer_address(sock, &peer)) return ZEVAHV_ERR_READ;
    if (peer == "127.0.0.1" && polling_device_active()) {
        const int r = read_local_event_frame(sock, kEventWaitMs, events, count);
        if (r == ZEVAHV_OK) std::memset(status, 0, sizeof *status);
        return r;
    }
    // A mainframe (also one served on the loopback address while no
    // polling device is open).
    const int handle = slot_of_peer(peer, 2);
    if (handle < 0) return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
    return on_peer_slot(handle, [&](const SlotView &v) {
        if (v.family != 2 || v.ops->read_event_frame == nullptr)
            return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
        return v.ops->read_event_frame(v.conn, handle, sock, status, events, count);
    });
}

// The legacy mainframes send datagrams whose sender names the system; the
// family's reader matches it itself, so a socket that is not connected to
// one mainframe works too.
int legacy_get_event_data(int sock, char **events, int *count) {
    const FamilyOps *ops = family_ops(0);
    if (ops == nullptr || ops->read_legacy_event_frame == nullptr)
        return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
    return ops->read_legacy_event_frame(-1, -1, sock, events, count);
}

}  // namespace

extern "C" ZEVAHV_API int ZEVAHV_GetEventData(int sck, ZEVAHV_SYSTEMSTATUS_t *SysStatus,
                                              IDValue_t **EventData, unsigned int *DataNumber) {
    if (!SysStatus || !EventData || !DataNumber) return kBad;
    *EventData = nullptr;
    *DataNumber = 0;
    return guarded([&] { return get_event_data(sck, SysStatus, EventData, DataNumber); });
}

extern "C" ZEVAHV_API int ZEVAHV_FreeEventData(IDValue_t **ListEventData) {
    if (ListEventData != nullptr) {
        std::free(*ListEventData);
        *ListEventData = nullptr;
    }
    return ZEVAHV_OK;
}

// The legacy name is the same entry, not a second function.
extern "C" ZEVAHV_API int ZEVAHVFreeEventData(IDValue_t **ListEventData)
    __attribute__((alias("ZEVAHV_FreeEventData")));

extern "C" ZEVAHV_API int ZEVAHVGetEventData(int sck, char **EventData, int *DataNumber) {
    if (!EventData || !DataNumber) return kBad;
    *EventData = nullptr;
    *DataNumber = 0;
    return guarded([&] { return legacy_get_event_data(sck, EventData, DataNumber); });
}
