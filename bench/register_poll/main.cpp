// A W40XX board with every readable parameter of the board and of all its
// channels subscribed (the built-in twelve-channel model: 3 board items and
// 12 x 13 channel items), polled by the library for a client on this host.
// The stand-in's call log counts the calls each cycle makes: one multi-read
// of every subscribed register, nothing else.  Also the records per frame,
// the cycle period, and the CPU the process spends per cycle.
//
//   bench_register_poll [cycles]   (default 10)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ZEVAHVLink.h"
#include "loopback.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int count_lines(const std::string &path, const std::string &prefix) {
    std::ifstream in(path);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) n += line.rfind(prefix, 0) == 0;
    return n;
}

std::vector<std::string> field_list(char *list) {
    std::vector<std::string> out;
    for (const char *p = list; p && *p; p += ZEVAHV_MAX_PARAM_NAME) out.emplace_back(p);
    ZEVAHV_Free(list);
    return out;
}

}  // namespace

int main(int argc, char **argv) {
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 10;
    char log_path[] = "/tmp/bench-register-poll-XXXXXX";
    const int log_fd = mkstemp(log_path);
    if (log_fd < 0) return 1;
    close(log_fd);
    setenv("ZEVACOMM_LOG", log_path, 1);
    setenv("ZEVACOMM_MODEL", "w40xx", 1);
    setenv("ZEVAHV_COMM_LIBRARY", ZEVACOMM_PATH, 1);

    int h = -1;
    char arg[] = "0_0_32100000";
    if (int r = ZEVAHV_InitSystem(ZEVAHV_SYS_W40XX, ZEVAHV_LINK_USB, arg, "", "", &h)) {
        std::fprintf(stderr, "open failed: %d\n", r);
        return 1;
    }
    unsigned short slots, *nch, *ser;
    char *model, *desc;
    unsigned char *lo, *hi;
    ZEVAHV_GetCrateMap(h, &slots, &nch, &model, &desc, &ser, &lo, &hi);
    const int channels = nch[0];
    ZEVAHV_Free(nch), ZEVAHV_Free(model), ZEVAHV_Free(desc);
    ZEVAHV_Free(ser), ZEVAHV_Free(lo), ZEVAHV_Free(hi);

    // Every readable parameter of the board and of each channel.
    std::string items;
    int count = 0;
    auto add = [&](const std::string &item) {
        if (!items.empty()) items += ':';
        items += item;
        ++count;
    };
    char *list = nullptr;
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "ZEVA_W40XX_HVL_%03d.Board00.", h);
    ZEVAHV_GetBdParamInfo(h, 0, &list);
    for (const auto &name : field_list(list)) add(prefix + name);
    for (int ch = 0; ch < channels; ++ch) {
        int n = 0;
        ZEVAHV_GetChParamInfo(h, 0, static_cast<unsigned short>(ch), &list, &n);
        for (const auto &name : field_list(list)) {
            char item[96];
            std::snprintf(item, sizeof item, "%sCHAN%03d.%s", prefix, ch, name.c_str());
            add(item);
        }
    }

    unsigned short port = 0;
    const int ls = listen_local(&port);
    if (ls < 0) return 1;
    std::vector<char> results(static_cast<std::size_t>(count), 9);
    if (ZEVAHV_Subscribe(h, static_cast<short>(port), static_cast<unsigned short>(count),
                         items.c_str(), results.data()) != 0)
        return 1;
    const int refused = static_cast<int>(std::count(results.begin(), results.end(), char(-1)));
    const int fd = accept_within(ls, 5000);
    if (fd < 0) return 1;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\0') {
    }

    auto frame = [&](std::size_t *records) {
        ZEVAHV_SYSTEMSTATUS_t st;
        IDValue_t *ev = nullptr;
        unsigned n = 0;
        const int r = ZEVAHV_GetEventData(fd, &st, &ev, &n);
        ZEVAHV_FreeEventData(&ev);
        *records = n;
        return r == 0;
    };
    std::size_t records = 0;
    if (!frame(&records)) return 1;  // the first frame starts the clock
    const int reads_before = count_lines(log_path, "multiread");
    const int others_before = count_lines(log_path, "read16") + count_lines(log_path, "read32");
    const double cpu0 = cpu_seconds();
    auto last = Clock::now();
    std::vector<double> periods;
    std::size_t min_records = SIZE_MAX, max_records = 0;
    for (int k = 0; k < cycles; ++k) {
        if (!frame(&records)) return 1;
        const auto now = Clock::now();
        periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        min_records = std::min(min_records, records);
        max_records = std::max(max_records, records);
    }
    const double cpu = cpu_seconds() - cpu0;
    // The multi-read of the cycle after the last frame may be logged already.
    const int reads = count_lines(log_path, "multiread") - reads_before;
    const int others = count_lines(log_path, "read16") + count_lines(log_path, "read32") - others_before;

    std::sort(periods.begin(), periods.end());
    double sum = 0;
    for (double p : periods) sum += p;
    std::printf("W40XX, %d channels: %d items subscribed (%d refused), %d cycles\n", channels, count,
                refused, cycles);
    std::printf("  multi-reads counted at the stand-in: %d for %d frames (other reads: %d)\n", reads,
                cycles, others);
    std::printf("  records per frame: %zu..%zu (expected %d)\n", min_records, max_records,
                count - refused);
    std::printf("  cycle period: mean %.1f ms, min %.1f ms, max %.1f ms\n", sum / cycles,
                periods.front(), periods.back());
    std::printf("  process CPU per cycle (polling thread and event reader): %.3f ms\n",
                cpu / cycles * 1e3);
    close(fd);
    close(ls);
    ZEVAHV_DeinitSystem(h);
    unlink(log_path);
    return reads >= cycles && reads <= cycles + 1 && others == 0 ? 0 : 1;
}
