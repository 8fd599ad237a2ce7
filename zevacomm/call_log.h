// A line per call, when ZEVACOMM_LOG names a file (or "stderr"): what a
// test counts ("how many multi-reads per polling cycle") and what a user
// reads to see what the library asked of the device.
//
//   open usb 0 node 0 base 00000000 -> 0 handle 1 (built-in rd40xx)
//   read16 1 0x8140 -> 0 0x010a
//   multiread 1 n=12 -> 0
#pragma once

#include <atomic>
#include <cstdio>
#include <mutex>

namespace zevacomm {

class CallLog {
public:
    static CallLog &instance();
    bool enabled() const { return file_ != nullptr; }
    // printf-style; one whole line per call, flushed at once.
    void line(const char *format, ...) __attribute__((format(printf, 2, 3)));

private:
    CallLog();
    ~CallLog();
    std::FILE *file_ = nullptr;
    bool own_ = false;
    std::mutex mutex_;
};

}  // namespace zevacomm
