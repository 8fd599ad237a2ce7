// What a register read costs through the library, against calling the
// communication library directly: reads of a parameter of channel 0 of a
// W40XX board on the stand-in (libZEVAComm.so) through ZEVAHV_GetChParam,
// and, in alternating rounds of the same run, ZEVAComm_Read16 of the same
// register of the same device, converted the same way (raw / scale).  Two
// parameters: VSet, a set point the stand-in answers from memory, and VMon,
// a monitor it brings up to date on each read.  The direct calls are the
// floor; the goal is the library within 1.3 times it.
//
//   bench_register_reads [reads-per-round] [rounds]   (defaults: 200000, 15)
#include <dlfcn.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ZEVAComm.h"
#include "ZEVAHVLink.h"

namespace {

using Clock = std::chrono::steady_clock;
using Read16 = int (*)(int, unsigned, unsigned short *);
using Open = int (*)(int, void *, int, unsigned, int *);
using Close = int (*)(int);

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char **argv) {
    const long reads = argc > 1 ? std::atol(argv[1]) : 200000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
    setenv("ZEVAHV_COMM_LIBRARY", ZEVACOMM_PATH, 1);
    setenv("ZEVACOMM_MODEL", "w40xx", 1);

    int h = -1;
    char arg[] = "0_0_32100000";
    if (int r = ZEVAHV_InitSystem(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, arg, "", "", &h)) {
        std::fprintf(stderr, "open failed: %d\n", r);
        return 1;
    }
    // The same loaded stand-in, and the same device, for the direct calls.
    void *lib = dlopen(ZEVACOMM_PATH, RTLD_NOW | RTLD_LOCAL);
    auto open = reinterpret_cast<Open>(dlsym(lib, "ZEVAComm_OpenDevice2"));
    auto read16 = reinterpret_cast<Read16>(dlsym(lib, "ZEVAComm_Read16"));
    auto close = reinterpret_cast<Close>(dlsym(lib, "ZEVAComm_CloseDevice"));
    int link = 0, dh = -1;
    if (!open || !read16 || open(ZEVACOMM_LINK_USB, &link, 0, 0x32100000, &dh) != 0) {
        std::fprintf(stderr, "cannot open the device directly\n");
        return 1;
    }
    const unsigned short ch = 0;
    float set = 1234.5f;
    ZEVAHV_SetChParam(h, 0, "VSet", 1, &ch, &set);

    struct Target {
        const char *name;
        unsigned addr;  // channel 0's register: 0x80 + offset
    };
    for (const Target &t : {Target{"VSet", 0x80}, Target{"VMon", 0x84}}) {
        std::printf("W40XX %s of channel 0 on the stand-in, %ld reads per round, %d rounds\n",
                    t.name, reads, rounds);
        std::vector<double> lib_rate, direct_rate, ratio;
        volatile float sink = 0;
        for (int r = 0; r < rounds; ++r) {
            auto t0 = Clock::now();
            for (long k = 0; k < reads; ++k) {
                float v;
                if (ZEVAHV_GetChParam(h, 0, t.name, 1, &ch, &v) != 0) return 1;
                sink = v;
            }
            const double lib_s = seconds_since(t0);
            t0 = Clock::now();
            for (long k = 0; k < reads; ++k) {
                unsigned short raw;
                if (read16(dh, t.addr, &raw) != 0) return 1;
                sink = static_cast<float>(raw / 10.0);
            }
            const double direct_s = seconds_since(t0);
            lib_rate.push_back(reads / lib_s);
            direct_rate.push_back(reads / direct_s);
            ratio.push_back(lib_s / direct_s);
        }
        (void)sink;
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        const double lr = median(lib_rate), dr = median(direct_rate);
        std::printf("  library: %.0f reads/s (%.3f us)\n", lr, 1e6 / lr);
        std::printf("  direct:  %.0f reads/s (%.3f us)\n", dr, 1e6 / dr);
        auto [lo, hi] = std::minmax_element(ratio.begin(), ratio.end());
        std::printf("  library time / direct time: median %.2f (rounds %.2f-%.2f), goal <= 1.3\n",
                    median(ratio), *lo, *hi);
        // The fastest round of each: what a read costs when nothing else
        // on the shared machine gets in the way.
        const double lib_best = *std::max_element(lib_rate.begin(), lib_rate.end());
        const double direct_best = *std::max_element(direct_rate.begin(), direct_rate.end());
        std::printf("  fastest rounds: library %.3f us, direct %.3f us, ratio %.2f\n",
                    1e6 / lib_best, 1e6 / direct_best, direct_best / lib_best);
    }
    close(dh);
    dlclose(lib);
    ZEVAHV_DeinitSystem(h);
    return 0;
}
