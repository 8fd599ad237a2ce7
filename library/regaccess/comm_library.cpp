#include "regaccess/comm_library.h"

#include <cstdlib>

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

int CommLibrary::open_device(int link_code, void *arg, int node, unsigned base,
                             int *handle) const {
    auto f = reinterpret_cast<OpenFn>(entry(kOpenEntry));
    return f ? f(link_code, arg, node, base, handle) : kMissingEntry;
}

int CommLibrary::read16(int handle, unsigned addr, std::uint16_t *value) const {
    auto f = reinterpret_cast<Read16Fn>(entry(kRead16Entry));
    unsigned short v = 0;
    const int r = f ? f(handle, addr, &v) : kMissingEntry;
    if (r == 0) *value = v;
    return r;
}

int CommLibrary::read32(int handle, unsigned addr, std::uint32_t *value) const {
    auto f = reinterpret_cast<Read32Fn>(entry(kRead32Entry));
    unsigned v = 0;
    const int r = f ? f(handle, addr, &v) : kMissingEntry;
    if (r == 0) *value = v;
    return r;
}

int CommLibrary::write16(int handle, unsigned addr, std::uint16_t value) const {
    auto f = reinterpret_cast<Write16Fn>(entry(kWrite16Entry));
    return f ? f(handle, addr, value) : kMissingEntry;
}

int CommLibrary::write32(int handle, unsigned addr, std::uint32_t value) const {
    auto f = reinterpret_cast<Write32Fn>(entry(kWrite32Entry));
    return f ? f(handle, addr, value) : kMissingEntry;
}

int CommLibrary::multi_read16(int handle, unsigned *addrs, int count, std::uint16_t *values,
                              int *errors) const {
    auto f = reinterpret_cast<MultiRead16Fn>(entry(kMultiRead16Entry));
    return f ? f(handle, addrs, count, values, errors) : kMissingEntry;
}

int CommLibrary::close_device(int handle) const {
    auto f = reinterpret_cast<CloseFn>(entry(kCloseEntry));
    return f ? f(handle) : kMissingEntry;
}

}  // namespace zevahv::regaccess
