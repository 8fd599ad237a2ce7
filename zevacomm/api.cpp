// The seven entry points: the table of open handles, the devices behind
// them, the fault rules and the call log.
//
// Devices live as long as the stand-in is loaded: closing a handle and
// opening the same device again finds its registers as they were, as a
// powered board would keep them.  Any number of threads may call at once;
// each access holds its device's mutex, and the handle table is read under
// a shared lock that only opens and closes take exclusively.
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>

#include "ZEVAComm.h"
#include "call_log.h"
#include "device.h"
#include "faults.h"
#include "result.h"
#include "select.h"

#define ZEVACOMM_EXPORT extern "C" __attribute__((visibility("default")))

namespace zevacomm {

namespace {

constexpr int kMaxHandles = 256;
constexpr std::size_t kMaxIpText = 64;

struct OpenHandle {
    std::shared_ptr<Device> device;
};

struct State {
    std::shared_mutex table_mutex;
    std::array<OpenHandle, kMaxHandles> handles;  // handle h is handles[h - 1]
    std::mutex devices_mutex;
    std::map<std::string, std::shared_ptr<Device>> devices;
};

State &state() {
    static State s;
    return s;
}

// Runs f(Device &) on the device of an open handle, under its mutex.
template <typename F>
int with_device(int h, F &&f) {
    State &s = state();
    std::shared_lock<std::shared_mutex> table(s.table_mutex);
    if (h < 1 || h > kMaxHandles || !s.handles[h - 1].device) return kBadHandle;
    Device &d = *s.handles[h - 1].device;
    std::lock_guard<std::mutex> lock(d.mutex);
    return f(d);
}

int injected(Call call, unsigned addr) {
    Faults &f = Faults::instance();
    return f.active() ? f.check(call, addr) : kOk;
}

bool read_address(int link, void *arg, int node, unsigned base, Address *a) {
    if (!arg || node < 0 || !link_word(link)) return false;
    a->link = link;
    a->node = static_cast<unsigned>(node);
    a->base = base;
    if (link == kTcp) {
        const char *ip = static_cast<const char *>(arg);
        const std::size_t n = strnlen(ip, kMaxIpText + 1);
        if (n == 0 || n > kMaxIpText) return false;
        a->where.assign(ip, n);
        for (char c : a->where)
            if (c <= ' ' || c > '~') return false;
    } else {
        const int number = *static_cast<const int *>(arg);
        if (number < 0) return false;
        a->where = std::to_string(number);
    }
    return true;
}

std::shared_ptr<Device> device_for(const Address &a, std::string *source, std::string *error) {
    std::string choice;
    if (!choose_model(a, &choice, error)) return nullptr;
    Model m;
    if (!load_model(choice, &m, error)) return nullptr;
    *source = m.source;
    char key[160];
    std::snprintf(key, sizeof key, "%s|%s|%x|%08x|", link_word(a.link), a.where.c_str(), a.node,
                  a.base);
    State &s = state();
    std::lock_guard<std::mutex> lock(s.devices_mutex);
    auto &slot = s.devices[key + m.source];
    if (!slot) slot = make_device(m);
    return slot;
}

int open_device(int link, void *arg, int node, unsigned base, int *handle) {
    Address a;
    if (!handle || !read_address(link, arg, node, base, &a)) return kBadArgument;
    *handle = 0;
    if (int rc = injected(Call::Open, base)) return rc;
    std::string source, error;
    auto device = device_for(a, &source, &error);
    if (!device) {
        std::fprintf(stderr, "ZEVAComm stand-in: %s\n", error.c_str());
        return kFailed;
    }
    State &s = state();
    std::unique_lock<std::shared_mutex> table(s.table_mutex);
    for (int i = 0; i < kMaxHandles; ++i) {
        if (s.handles[i].device) continue;
        s.handles[i].device = std::move(device);
        *handle = i + 1;
        CallLog::instance().line("open %s %s node %x base %08x -> 0 handle %d (%s)",
                                 link_word(link), a.where.c_str(), a.node, a.base, *handle,
                                 source.c_str());
        return kOk;
    }
    return kTooManyOpen;
}

int multi_read(int h, const unsigned *addrs, int count, unsigned short *values, int *errors) {
    if (count < 0 || (count > 0 && (!addrs || !values || !errors))) return kBadArgument;
    MultiFault fault;
    if (Faults::instance().active()) fault = Faults::instance().check_multi(addrs, count);
    if (fault.rc) return fault.rc;
    const int answered = fault.answered >= 0 && fault.answered < count ? fault.answered : count;
    return with_device(h, [&](Device &d) {
        int rc = kOk;
        for (int i = 0; i < answered; ++i) {
            std::uint16_t v = 0;
            errors[i] = d.read16(addrs[i], &v);
            for (unsigned f : fault.flagged)
                if (f == addrs[i]) errors[i] = kInjected;
            if (errors[i] == kOk) values[i] = v;
            else if (rc == kOk && fault.flagged.empty()) rc = errors[i];
        }
        return rc;
    });
}

}  // namespace

}  // namespace zevacomm

using namespace zevacomm;

ZEVACOMM_EXPORT int ZEVAComm_OpenDevice2(int link, void *arg, int node, unsigned base,
                                         int *handle) {
    try {
        return open_device(link, arg, node, base, handle);
    } catch (...) {
        return kFailed;
    }
}

ZEVACOMM_EXPORT int ZEVAComm_Read16(int h, unsigned addr, unsigned short *value) {
    if (!value) return kBadArgument;
    int rc = injected(Call::Read16, addr);
    std::uint16_t v = 0;
    if (rc == kOk) rc = with_device(h, [&](Device &d) { return d.read16(addr, &v); });
    if (rc == kOk) *value = v;
    if (CallLog::instance().enabled())
        CallLog::instance().line("read16 %d 0x%04x -> %d 0x%04x", h, addr, rc, v);
    return rc;
}

ZEVACOMM_EXPORT int ZEVAComm_Read32(int h, unsigned addr, unsigned *value) {
    if (!value) return kBadArgument;
    int rc = injected(Call::Read32, addr);
    std::uint16_t lo = 0, hi = 0;
    if (rc == kOk)
        rc = with_device(h, [&](Device &d) {
            const int r = d.read16(addr, &lo);
            return r != kOk ? r : d.read16(addr + 2, &hi);
        });
    if (rc == kOk) *value = lo | (static_cast<unsigned>(hi) << 16);
    if (CallLog::instance().enabled())
        CallLog::instance().line("read32 %d 0x%04x -> %d 0x%08x", h, addr, rc,
                                 lo | (static_cast<unsigned>(hi) << 16));
    return rc;
}

ZEVACOMM_EXPORT int ZEVAComm_Write16(int h, unsigned addr, unsigned short value) {
    int rc = injected(Call::Write16, addr);
    if (rc == kOk) rc = with_device(h, [&](Device &d) { return d.write16(addr, value); });
    if (CallLog::instance().enabled())
        CallLog::instance().line("write16 %d 0x%04x 0x%04x -> %d", h, addr, value, rc);
    return rc;
}

ZEVACOMM_EXPORT int ZEVAComm_Write32(int h, unsigned addr, unsigned value) {
    int rc = injected(Call::Write32, addr);
    if (rc == kOk)
        rc = with_device(h, [&](Device &d) {
            const int r = d.write16(addr, static_cast<std::uint16_t>(value & 0xFFFF));
            return r != kOk ? r : d.write16(addr + 2, static_cast<std::uint16_t>(value >> 16));
        });
    if (CallLog::instance().enabled())
        CallLog::instance().line("write32 %d 0x%04x 0x%08x -> %d", h, addr, value, rc);
    return rc;
}

ZEVACOMM_EXPORT int ZEVAComm_MultiRead16(int h, unsigned *addrs, int count,
                                         unsigned short *values, int *errors) {
    const int rc = multi_read(h, addrs, count, values, errors);
    if (CallLog::instance().enabled())
        CallLog::instance().line("multiread %d n=%d -> %d", h, count, rc);
    return rc;
}

ZEVACOMM_EXPORT int ZEVAComm_CloseDevice(int h) {
    int rc = injected(Call::Close, 0);
    if (rc == kOk) {
        State &s = state();
        std::unique_lock<std::shared_mutex> table(s.table_mutex);
        if (h < 1 || h > kMaxHandles || !s.handles[h - 1].device) rc = kBadHandle;
        else s.handles[h - 1].device.reset();
    }
    if (CallLog::instance().enabled()) CallLog::instance().line("close %d -> %d", h, rc);
    return rc;
}
