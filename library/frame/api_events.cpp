// ZEVAHV_GetEventData and its legacy counterpart: which reader serves an
// event socket is decided by the socket's peer.  Frames of the library's
// own polling threads come from 127.0.0.1; any other peer is a device that
// sends its own frames (a mainframe) and was opened at that address.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "frame/dispatch.h"
#include "frame/event_reader.h"
#include "platform/tcp.h"

using namespace zevahv;

namespace {

constexpr int kBad = ZEVAHV_ERR_INVALIDPARAMETER;

bool open_with_events(const SystemSlot &s, EventSource source) {
    return s.state == SlotState::Open && s.traits != nullptr && s.traits->events == source;
}

// True while any open system's family delivers events from local polling.
bool polling_device_active() { return local_polling_systems().load() > 0; }

// The host part of an address as the caller gave it: an optional ":port"
// suffix (simulators, forwarded ports) does not belong to the host.
std::string host_part(const char *address) {
    const char *colon = std::strchr(address, ':');
    return colon ? std::string(address, colon) : std::string(address);
}

// The open slot whose family's events come that way from that host, or -1.
int slot_of_peer(const std::string &peer, EventSource source) {
    std::lock_guard<std::mutex> lk(table_mutex());
    for (int i = 0; i < kSystemSlots; ++i) {
        const SystemSlot &s = system_slot(i);
        if (open_with_events(s, source) && host_part(s.address) == peer) return i;
    }
    return -1;
}

// Runs f on the slot of the peer, under its slot gate (shared), so that the
// system cannot be closed under the reader.
template <typename F>
int on_peer_slot(const std::string &peer, EventSource source, F &&f) {
    const int handle = slot_of_peer(peer, source);
    if (handle < 0) return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
    SystemSlot &slot = system_slot(handle);
    std::shared_lock<platform::SlotGate> gate(slot.gate);
    const SlotView v = view_slot(handle);
    if (!v.open || v.ops == nullptr || v.traits == nullptr || v.traits->events != source)
        return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
    return f(handle, v);
}

// Waits for the device's next frame to begin, before its system is taken:
// the system's gate is held only while a frame is being read, so that a
// close on another thread never waits out a quiet event stream.
int wait_for_frame(int sock) {
    const int w = platform::wait_readable(sock, kPeerFrameWaitMs);
    if (w == 0) return ZEVAHV_ERR_NODATA;
    return w < 0 ? ZEVAHV_ERR_SOCKETERROR : ZEVAHV_OK;
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
    // A device that sends its own frames (also one served on the loopback
    // address while no polling device is open).
    if (slot_of_peer(peer, EventSource::PeerFrames) < 0) return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
    if (const int w = wait_for_frame(sock); w != ZEVAHV_OK) return w;
    return on_peer_slot(peer, EventSource::PeerFrames, [&](int handle, const SlotView &v) {
        if (v.ops->read_event_frame == nullptr) return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
        return v.ops->read_event_frame(v.ctx, handle, sock, status, events, count);
    });
}

// Legacy mainframes send datagrams.  A socket connected to one mainframe
// is read for that system; any other socket (one that takes datagrams from
// every mainframe) is handed to the family's reader without a system, and
// the sender of the message says which system it is.
int legacy_get_event_data(int sock, char **events, int *count) {
    std::string peer;
    if (platform::peer_address(sock, &peer) &&
        slot_of_peer(peer, EventSource::LegacyPeerFrames) >= 0) {
        if (const int w = wait_for_frame(sock); w != ZEVAHV_OK) return w;
        return on_peer_slot(peer, EventSource::LegacyPeerFrames,
                            [&](int handle, const SlotView &v) {
                                if (v.ops->read_legacy_event_frame == nullptr)
                                    return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
                                return v.ops->read_legacy_event_frame(v.ctx, handle, sock,
                                                                      events, count);
                            });
    }
    for (int code = 0; code < kFamilyCodeCount; ++code) {
        const FamilyTraits *t = family_traits(code);
        const FamilyOps *ops = family_ops(code);
        if (t != nullptr && t->events == EventSource::LegacyPeerFrames && ops != nullptr &&
            ops->read_legacy_event_frame != nullptr)
            return ops->read_legacy_event_frame(nullptr, -1, sock, events, count);
    }
    return ZEVAHV_ERR_FUNCTIONNOTAVAILABLE;
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
