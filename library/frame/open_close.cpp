// ZEVAHV_InitSystem and ZEVAHV_DeinitSystem: the open/close sequence of a
// system slot.
#include <cstdio>
#include <cstring>
#include <string>

#include "frame/dispatch.h"

namespace zevahv {

namespace {

// The transport name of a link type code, or null for codes no link has.
const char *transport_name(int link_type) {
    switch (link_type) {
    case ZEVAHV_LINK_TCPIP: return "TCP/IP";
    case ZEVAHV_LINK_USB: return "USB";
    case ZEVAHV_LINK_OPTLINK: return "OPTLINK";
    case ZEVAHV_LINK_USBVCP: return "USBVCP";
    case ZEVAHV_LINK_USB3: return "USB3";
    case ZEVAHV_LINK_B7301: return "B7301";
    default: return nullptr;
    }
}

int map_open_result(int r) {
    if (r == -2) return ZEVAHV_ERR_LOGINFAILED;
    if (r == -1) return ZEVAHV_ERR_OPENFAILED;
    return r;  // other negative values pass unchanged
}

void clear_slot(SystemSlot &s) {
    s.state = SlotState::Free;
    s.system_type = 0;
    s.family = 0;
    s.link_type = 0;
    s.ctx = nullptr;
    s.ops = nullptr;
    s.traits = nullptr;
    s.lock_name[0] = '\0';
    s.address[0] = '\0';
}

int init_system(int system_type, int link_type, const char *address,
                const char *user, const char *password, int *handle) {
    const int family = family_of_system_type(system_type);
    const FamilyTraits *traits = family_traits(family);
    if (traits == nullptr) return ZEVAHV_ERR_INVALIDPARAMETER;

    char stored_address[kSlotTextSize + 1];
    copy_slot_text(stored_address, address);

    // Some families get their address behind a prefix (the current
    // mainframes: "KR2440:", their login takes the text after the first
    // ':').  Built before a slot is taken, so running out of memory here
    // leaves nothing behind.
    std::string backend_arg = traits->arg_prefix;
    backend_arg += address;

    std::lock_guard<platform::TicketGate> order(global_gate());

    int index = -1;
    {
        std::lock_guard<std::mutex> lk(table_mutex());
        // The same system (type code as given, link, address) may be open
        // once.  The stored family code is compared with the type code, so
        // a KR2550 (stored as family 2) is not caught.  The check runs
        // inside the global gate so two racing opens cannot both pass.
        for (int i = 0; i < kSystemSlots; ++i) {
            const SystemSlot &s = system_slot(i);
            if (s.state == SlotState::Open && s.family == system_type &&
                s.link_type == link_type && std::strcmp(s.address, stored_address) == 0)
                return ZEVAHV_ERR_DEVALREADYOPEN;
        }
        for (int i = 0; i < kSystemSlots && index < 0; ++i)
            if (system_slot(i).state == SlotState::Free) index = i;
        if (index < 0) return ZEVAHV_ERR_TOOMANYDEVICEOPEN;
        system_slot(index).state = SlotState::Opening;
    }
    SystemSlot &slot = system_slot(index);
    auto give_back = [&](int code) {
        std::lock_guard<std::mutex> lk(table_mutex());
        clear_slot(slot);
        return code;
    };

    const char *transport = transport_name(link_type);
    if (transport == nullptr) return give_back(ZEVAHV_ERR_INVALIDLINK);
    if (!traits->links.has(link_type)) return give_back(ZEVAHV_ERR_INVALIDPARAMETER);

    char lock_name[kSlotTextSize + 1];
    std::snprintf(lock_name, sizeof lock_name, traits->lock_name_format, index);

    const FamilyOps *ops = family_ops(family);
    if (ops == nullptr || ops->open == nullptr) return give_back(ZEVAHV_ERR_OPENFAILED);

    OpenRequest req{};
    req.system_type = system_type;
    req.family = family;
    req.link_type = link_type;
    req.transport = transport;
    req.arg = backend_arg.c_str();
    req.user = user;
    req.password = password;
    req.handle = index;
    req.lock_name = lock_name;
    req.traits = traits;

    void *ctx = nullptr;
    int r;
    try {
        r = ops->open(req, &ctx);
    } catch (const std::bad_alloc &) {
        r = ZEVAHV_ERR_NOMEMORY;
    } catch (...) {
        r = -1;
    }
    if (r != 0) return give_back(map_open_result(r));

    {
        std::lock_guard<std::mutex> lk(table_mutex());
        slot.system_type = system_type;
        slot.family = family;
        slot.link_type = link_type;
        slot.ctx = ctx;
        slot.ops = ops;
        slot.traits = traits;
        copy_slot_text(slot.lock_name, lock_name);
        copy_slot_text(slot.address, stored_address);
        slot.state = SlotState::Open;
        if (traits->events == EventSource::LocalPolling) ++local_polling_systems();
    }
    *handle = index;
    return ZEVAHV_OK;
}

int deinit_system(int handle) {
    SystemSlot &slot = system_slot(handle);
    // Lock order: slot gate, global gate, connection gate.
    std::unique_lock<platform::SlotGate> gate(slot.gate);
    std::lock_guard<platform::TicketGate> order(global_gate());

    const SlotView v = view_slot(handle);
    if (!v.open) return ZEVAHV_ERR_NOTCONNECTED;

    int result = ZEVAHV_OK;
    if (v.ops != nullptr && v.ops->close != nullptr) {
        int r;
        if (v.traits->gated.has(Op::Close)) {
            std::lock_guard<platform::TicketGate> conn_order(slot.conn_gate);
            r = v.ops->close(v.ctx);
        } else {
            r = v.ops->close(v.ctx);
        }
        // A mainframe's logout is the result of the close.
        if (v.traits->close_result) result = r;
    }
    std::lock_guard<std::mutex> lk(table_mutex());
    if (v.traits != nullptr && v.traits->events == EventSource::LocalPolling)
        --local_polling_systems();
    clear_slot(slot);
    return result;
}

}  // namespace
}  // namespace zevahv

using namespace zevahv;

extern "C" ZEVAHV_API int ZEVAHV_InitSystem(int SystemType, int LinkType, void *Arg,
                                            const char *UserName, const char *Passwd,
                                            int *handle) {
    if (handle == nullptr) return ZEVAHV_ERR_INVALIDPARAMETER;
    *handle = -1;
    if (Arg == nullptr) return ZEVAHV_ERR_INVALIDPARAMETER;
    return guarded([&] {
        return init_system(SystemType, LinkType, static_cast<const char *>(Arg), UserName,
                           Passwd, handle);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_DeinitSystem(int handle) {
    if (!valid_handle(handle)) return ZEVAHV_ERR_INVALIDPARAMETER;
    return guarded([&] { return deinit_system(handle); });
}
