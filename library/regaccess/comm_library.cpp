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

template <typename F>
F entry(const platform::DynamicLibrary &lib, const char *name) {
    return reinterpret_cast<F>(lib.find(name));
}

}  // namespace

bool CommLibrary::load() {
    const char *named = std::getenv(kCommLibraryVariable);
    const std::string file = named != nullptr && *named != '\0' ? named : kCommLibraryName;
    if (!lib_.open(file)) return false;
    if (!has(kOpen)) {
        lib_.close();
        return false;
    }
    return true;
}

int CommLibrary::open_device(int link_code, void *arg, int node, unsigned base,
                             int *handle) const {
    auto f = entry<OpenFn>(lib_, kOpen);
    return f ? f(link_code, arg, node, base, handle) : kMissingEntry;
}

int CommLibrary::read16(int handle, unsigned addr, std::uint16_t *value) const {
    auto f = entry<Read16Fn>(lib_, kRead16);
    unsigned short v = 0;
    const int r = f ? f(handle, addr, &v) : kMissingEntry;
    if (r == 0) *value = v;
    return r;
}

int CommLibrary::read32(int handle, unsigned addr, std::uint32_t *value) const {
    auto f = entry<Read32Fn>(lib_, kRead32);
    unsigned v = 0;
    const int r = f ? f(handle, addr, &v) : kMissingEntry;
    if (r == 0) *value = v;
    return r;
}

int CommLibrary::write16(int handle, unsigned addr, std::uint16_t value) const {
    auto f = entry<Write16Fn>(lib_, kWrite16);
    return f ? f(handle, addr, value) : kMissingEntry;
}

int CommLibrary::write32(int handle, unsigned addr, std::uint32_t value) const {
    auto f = entry<Write32Fn>(lib_, kWrite32);
    return f ? f(handle, addr, value) : kMissingEntry;
}

int CommLibrary::multi_read16(int handle, unsigned *addrs, int count, std::uint16_t *values,
                              int *errors) const {
    auto f = entry<MultiRead16Fn>(lib_, kMultiRead16);
    return f ? f(handle, addrs, count, values, errors) : kMissingEntry;
}

int CommLibrary::close_device(int handle) const {
    auto f = entry<CloseFn>(lib_, kClose);
    return f ? f(handle) : kMissingEntry;
}

}  // namespace zevahv::regaccess
