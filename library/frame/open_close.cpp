// ZEVAHV_InitSystem and ZEVAHV_DeinitSystem: the open/close sequence of a
// system slot.
#include <cstdio>
#include <cstring>
#include <string>

#include "frame/dispatch.h"
#include "frame/families.h"

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

bool is_module_family(int family) {
    return family == 6 || family == 7 || family == 8 || (family >= 10 && family <= 15);
}

// Whether a family can be reached over a link: 0 yes, otherwise the code.
// Mainframes and modules speak their own protocols over TCP; the
// register-access families go through the communication library, which is
// the only way over USB, the optical link and the bridge; the USB virtual
// serial port carries the module protocol only.  An RD40XX unit is served by
// the communication library only, so it is refused over TCP as well.
int link_accepts(int family, int link_type) {
    switch (link_type) {
    case ZEVAHV_LINK_TCPIP:
        return (family == 0 || family == 2 || family == 5 || is_module_family(family))
                   ? 0 : ZEVAHV_ERR_INVALIDPARAMETER;
    case ZEVAHV_LINK_USBVCP:
        return is_module_family(family) ? 0 : ZEVAHV_ERR_INVALIDPARAMETER;
    case ZEVAHV_LINK_USB:
    case ZEVAHV_LINK_OPTLINK:
    case ZEVAHV_LINK_USB3:
    case ZEVAHV_LINK_B7301:
        return (family == 5 || family == 9) ? 0 : ZEVAHV_ERR_INVALIDPARAMETER;
    default:
        return ZEVAHV_ERR_INVALIDLINK;
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
    s.conn = -1;
    s.ops = nullptr;
    s.lock_name[0] = '\0';
    s.address[0] = '\0';
}

int init_system(int system_type, int link_type, const char *address,
                const char *user, const char *password, int *handle) {
    const int family = family_of_system_type(system_type);
    if (family < 0) return ZEVAHV_ERR_INVALIDPARAMETER;

    char stored_address[kSlotTextSize + 1];
    copy_slot_text(stored_address, address);

    // The current mainframes get their address behind the model prefix;
    // their login takes the text after the first ':'.  (Built before a slot
    // is taken, so running out of memory here leaves nothing behind.)
    std::string backend_arg;
    if (system_type == 2 || system_type == 3) backend_arg = "KR2440:";
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
    if (int r = link_accepts(family, link_type); r != 0) return give_back(r);

    char lock_name[kSlotTextSize + 1];
    std::snprintf(lock_name, sizeof lock_name, lock_name_format(family), index);

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

    int conn = -1;
    int r;
    try {
        r = ops->open(req, &conn);
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
        slot.conn = conn;
        slot.ops = ops;
        copy_slot_text(slot.lock_name, lock_name);
        copy_slot_text(slot.address, stored_address);
        slot.state = SlotState::Open;
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
    if (v.conn >= 0 && v.ops != nullptr && v.ops->close != nullptr) {
        if (family_orders_requests(v.family)) {
            // The mainframe logout is the result of the close.
            std::lock_guard<platform::TicketGate> conn_order(slot.conn_gate);
            result = v.ops->close(v.conn);
        } else {
            v.ops->close(v.conn);
        }
    }
    std::lock_guard<std::mutex> lk(table_mutex());
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
