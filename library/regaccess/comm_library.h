// The binding to the outside communication library (ZEVAComm).
//
// It is loaded when a register-access system is opened: the file that
// ZEVAHV_COMM_LIBRARY names when that is set (and then that file only: a
// library that does not load fails the open, there is no fallback), else
// "libZEVAComm.so" through the loader's normal search path.  A library
// without "ZEVAComm_OpenDevice2" fails the open as well.  Each open system
// holds its own reference, released at close.
//
// Entry points are looked up by name where they are first used, so a library
// that lacks one (say the 32-bit read) still serves everything else; the call
// that needs it fails with kMissingEntry.  What a lookup found is kept for
// the life of the loaded library (its symbols cannot change while it stays
// loaded): a register read costs no symbol search.
//
// The library is called from application threads and the polling thread at
// once, without a lock of ours: it must accept that.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/dynamic_library.h"

namespace zevahv::regaccess {

// The loader name of the communication library.
inline constexpr const char *kCommLibraryName = "libZEVAComm.so";
// The environment variable that names another file.
inline constexpr const char *kCommLibraryVariable = "ZEVAHV_COMM_LIBRARY";

// A result of ours for an entry point the library does not have (the
// library's own results are its business: 0 is success, anything else is
// failure).
inline constexpr int kMissingEntry = -1000;

class CommLibrary {
public:
    // Loads the library (see above).  False when it does not load or has no
    // open entry point.
    bool load();
    void unload() { lib_.close(); }
    bool loaded() const { return lib_.is_open(); }
    // True when the library has the entry point.
    bool has(const char *name) const { return lib_.find(name) != nullptr; }

    // The seven calls.  arg: the IP text for the TCP/IP link code, else a
    // pointer to the int link number.
    int open_device(int link_code, void *arg, int node, unsigned base, int *handle) const;
    int read16(int handle, unsigned addr, std::uint16_t *value) const;
    int read32(int handle, unsigned addr, std::uint32_t *value) const;
    int write16(int handle, unsigned addr, std::uint16_t value) const;
    int write32(int handle, unsigned addr, std::uint32_t value) const;
    int multi_read16(int handle, unsigned *addrs, int count, std::uint16_t *values,
                     int *errors) const;
    int close_device(int handle) const;

    // The system's name in the wire trace (its lock name).
    void set_trace_name(std::string name) { trace_name_ = std::move(name); }

    // Entry point names.
    static constexpr const char *kOpen = "ZEVAComm_OpenDevice2";
    static constexpr const char *kRead16 = "ZEVAComm_Read16";
    static constexpr const char *kRead32 = "ZEVAComm_Read32";
    static constexpr const char *kWrite16 = "ZEVAComm_Write16";
    static constexpr const char *kWrite32 = "ZEVAComm_Write32";
    static constexpr const char *kMultiRead16 = "ZEVAComm_MultiRead16";
    static constexpr const char *kClose = "ZEVAComm_CloseDevice";

private:
    enum Entry { kOpenEntry, kRead16Entry, kRead32Entry, kWrite16Entry, kWrite32Entry,
                 kMultiRead16Entry, kCloseEntry, kEntries };
    // The entry point's address, looked up on first use (null: missing).
    void *entry(Entry e) const;

    platform::DynamicLibrary lib_;
    std::string trace_name_;
    // Per entry point: not looked up yet (kUnknown), or what was found.
    mutable std::array<std::atomic<void *>, kEntries> entries_{};
};

}  // namespace zevahv::regaccess
