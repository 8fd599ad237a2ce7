#include "regaccess/comm_library.h"

#include <cstdlib>
#include <vector>

#include "trace/trace.h"

namespace zevahv::regaccess {

namespace {

// The C types of the entry points.
using OpenFn = int (*)(int, void *, int, unsigned, int *);
using Read16Fn = int (*)(int, unsigned, unsigned short *);
using Read32Fn = int (*)(int, unsigned, unsigned *);
using Write16Fn = int (*)(int, unsigned, unsigned short);
using Write32Fn = int (*)(int, unsigned, unsigned);
using MultiRead16Fn = int (*)(int, unsigned *, int, unsigned short *, int *);
using CloseFn = int (*)(int);

constexpr const char *kNames[] = {
    CommLibrary::kOpen,    CommLibrary::kRead16,      CommLibrary::kRead32, CommLibrary::kWrite16,
    CommLibrary::kWrite32, CommLibrary::kMultiRead16, CommLibrary::kClose,
};

// Marks an entry point that was not looked up yet.
void *const kUnknown = reinterpret_cast<void *>(~std::uintptr_t{0});

}  // namespace

void *CommLibrary::entry(Entry e) const {
    std::atomic<void *> &slot = entries_[e];
    void *p = slot.load(std::memory_order_acquire);
    if (p == kUnknown) {
        p = lib_.find(kNames[e]);
        slot.store(p, std::memory_order_release);
    }
    return p;
}

bool CommLibrary::load() {
    const char *named = std::getenv(kCommLibraryVariable);
    const std::string file = named != nullptr && *named != '\0' ? named : kCommLibraryName;
    for (auto &e : entries_) e.store(kUnknown, std::memory_order_relaxed);
    if (!lib_.open(file)) return false;
    if (!has(kOpen)) {
        lib_.close();
        return false;
    }
    return true;
}

// Each call is traced with the numbers it was given and what it handed
// back (only when the trace is on: trace::on() is tested inline first).

int CommLibrary::open_device(int link_code, void *arg, int node, unsigned base,
                             int *handle) const {
    auto f = reinterpret_cast<OpenFn>(entry(kOpenEntry));
    const int r = f ? f(link_code, arg, node, base, handle) : kMissingEntry;
    if (trace::on()) {
        const std::uint32_t in[] = {static_cast<std::uint32_t>(link_code),
                                    static_cast<std::uint32_t>(node), base};
        const std::uint32_t out[] = {static_cast<std::uint32_t>(r == 0 ? *handle : -1)};
        trace::comm(trace_name_, "OpenDevice2", in, out, r);
    }
    return r;
}

int CommLibrary::read16(int handle, unsigned addr, std::uint16_t *value) const {
    auto f = reinterpret_cast<Read16Fn>(entry(kRead16Entry));
    unsigned short v = 0;
    const int r = f ? f(handle, addr, &v) : kMissingEntry;
    if (r == 0) *value = v;
    if (trace::on()) {
        const std::uint32_t in[] = {addr}, out[] = {v};
        trace::comm(trace_name_, "Read16", in, out, r);
    }
    return r;
}

int CommLibrary::read32(int handle, unsigned addr, std::uint32_t *value) const {
    auto f = reinterpret_cast<Read32Fn>(entry(kRead32Entry));
    unsigned v = 0;
    const int r = f ? f(handle, addr, &v) : kMissingEntry;
    if (r == 0) *value = v;
    if (trace::on()) {
        const std::uint32_t in[] = {addr}, out[] = {v};
        trace::comm(trace_name_, "Read32", in, out, r);
    }
    return r;
}

int CommLibrary::write16(int handle, unsigned addr, std::uint16_t value) const {
    auto f = reinterpret_cast<Write16Fn>(entry(kWrite16Entry));
    const int r = f ? f(handle, addr, value) : kMissingEntry;
    if (trace::on()) {
        const std::uint32_t in[] = {addr, value};
        trace::comm(trace_name_, "Write16", in, {}, r);
    }
    return r;
}

int CommLibrary::write32(int handle, unsigned addr, std::uint32_t value) const {
    auto f = reinterpret_cast<Write32Fn>(entry(kWrite32Entry));
    const int r = f ? f(handle, addr, value) : kMissingEntry;
    if (trace::on()) {
        const std::uint32_t in[] = {addr, value};
        trace::comm(trace_name_, "Write32", in, {}, r);
    }
    return r;
}

int CommLibrary::multi_read16(int handle, unsigned *addrs, int count, std::uint16_t *values,
                              int *errors) const {
    auto f = reinterpret_cast<MultiRead16Fn>(entry(kMultiRead16Entry));
    const int r = f ? f(handle, addrs, count, values, errors) : kMissingEntry;
    if (trace::on() && count > 0) {
        const auto n = static_cast<std::size_t>(count);
        const std::vector<std::uint32_t> out(values, values + n);
        trace::comm(trace_name_, "MultiRead16", {addrs, n}, out, r);
    }
    return r;
}

int CommLibrary::close_device(int handle) const {
    auto f = reinterpret_cast<CloseFn>(entry(kCloseEntry));
    const int r = f ? f(handle) : kMissingEntry;
    if (trace::on()) trace::comm(trace_name_, "CloseDevice", {}, {}, r);
    return r;
}

}  // namespace zevahv::regaccess
