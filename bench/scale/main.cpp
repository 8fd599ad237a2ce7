// A family's full slot table polled at once: N modules (default 32), each
// on its own simulator and link, every readable board and channel parameter
// subscribed, all frames to one client event port.  For every module it
// measures the cycle period at the client (frame to frame) against the
// expected 500 ms pause plus that module's exchanges (rows per cycle times
// the exchange time measured on an idle module first), and it reports the
// CPU time this process (the library's polling threads and the event
// reader) spends per module.  Goal: every module within 10% of its expected
// period.
//
//   bench_scale [modules] [cycles] [q3815|q2906] [tcp|pty]
//               (defaults: 32 modules, 10 cycles, q3815, tcp)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ZEVAHVLink.h"
#include "loopback.h"
#include "sim_child.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string read_ident(int fd) {
    std::string s;
    for (char c = 1; c != '\0' && s.size() < 1024;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0 || recv(fd, &c, 1, 0) != 1) return {};
        if (c) s += c;
    }
    return s;
}

struct Family {
    const char *device;
    int type;
    const char *lock_prefix;
    const char *probe;  // a readable channel parameter, to time one exchange
};

// Every readable parameter of the system as subscription items; *rows gets
// the number of rows (one exchange each per cycle).
std::string all_items(const Family &f, int h, int *rows, int *items) {
    char lock[64];
    std::snprintf(lock, sizeof lock, "%s%03d", f.lock_prefix, h);
    std::string list;
    *rows = *items = 0;
    auto add = [&](const std::string &item) {
        if (!list.empty()) list += ':';
        list += item;
        ++*items;
    };
    auto readable = [](int rc, const unsigned &mode) { return rc == 0 && mode != ZEVAHV_PARAM_MODE_WRONLY; };
    char *names = nullptr;
    if (ZEVAHV_GetBdParamInfo(h, 0, &names) == 0) {
        for (const char *p = names; *p; p += ZEVAHV_MAX_PARAM_NAME) {
            unsigned mode = 0;
            if (!readable(ZEVAHV_GetBdParamProp(h, 0, p, "Mode", &mode), mode)) continue;
            add(std::string(lock) + ".Board00." + p);
            ++*rows;
        }
        ZEVAHV_Free(names);
    }
    unsigned short slots = 0, *nch = nullptr, *ser = nullptr;
    char *model = nullptr, *desc = nullptr;
    unsigned char *lo = nullptr, *hi = nullptr;
    if (ZEVAHV_GetCrateMap(h, &slots, &nch, &model, &desc, &ser, &lo, &hi) != 0) return list;
    const int channels = nch[0];
    ZEVAHV_Free(nch), ZEVAHV_Free(model), ZEVAHV_Free(desc), ZEVAHV_Free(ser), ZEVAHV_Free(lo), ZEVAHV_Free(hi);
    std::map<std::string, bool> channel_rows;
    for (int ch = 0; ch < channels; ++ch) {
        int n = 0;
        if (ZEVAHV_GetChParamInfo(h, 0, static_cast<unsigned short>(ch), &names, &n) != 0) continue;
        for (int k = 0; k < n; ++k) {
            const char *p = names + k * ZEVAHV_MAX_PARAM_NAME;
            unsigned mode = 0;
            if (!readable(ZEVAHV_GetChParamProp(h, 0, static_cast<unsigned short>(ch), p, "Mode", &mode), mode))
                continue;
            char item[128];
            std::snprintf(item, sizeof item, "%s.Board00.CHAN%03d.%s", lock, ch, p);
            add(item);
            channel_rows[p] = true;
        }
        ZEVAHV_Free(names);
    }
    *rows += static_cast<int>(channel_rows.size());
    return list;
}

// Mean time of one parameter read on an idle module.
double exchange_seconds(int h, const char *par) {
    const unsigned short ch = 0;
    float v;
    const int n = 200;
    const auto t0 = Clock::now();
    for (int i = 0; i < n; ++i) if (ZEVAHV_GetChParam(h, 0, par, 1, &ch, &v) != 0) return 0;
    return since(t0) / n;
}

}  // namespace

int main(int argc, char **argv) {
    const int modules = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 32) : 32;
    const int cycles = argc > 2 ? std::max(2, std::atoi(argv[2])) : 10;
    const std::string fam = argc > 3 ? argv[3] : "q3815";
    const bool pty = argc > 4 && std::string(argv[4]) == "pty";
    const Family f = fam == "q2906" ? Family{"q2906", ZEVAHV_SYS_Q2906, "ZEVA_Q2906_HVL_", "Threshold"}
                                    : Family{"q3815", ZEVAHV_SYS_Q3815, "ZEVA_Q3815_HVL_", "VMon"};

    std::vector<std::unique_ptr<SimChild>> sims;
    std::vector<int> handle(modules, -1);
    std::map<std::string, int> module_of_ident;
    const auto t_open = Clock::now();
    for (int i = 0; i < modules; ++i) {
        sims.push_back(std::make_unique<SimChild>());
        if (!sims.back()->start(pty ? std::vector<std::string>{f.device, "--pty"}
                                    : std::vector<std::string>{f.device}))
            return 2;
        std::string arg = pty ? sims.back()->pty_path() + "_9600_8_0_0_0"
                              : "127.0.0.1:" + std::to_string(sims.back()->port()) + "_0";
        if (int r = ZEVAHV_InitSystem(f.type, pty ? ZEVAHV_LINK_USBVCP : ZEVAHV_LINK_TCPIP, arg.data(),
                                      "", "", &handle[i])) {
            std::fprintf(stderr, "open %d (%s): %d\n", i, arg.c_str(), r);
            return 2;
        }
        module_of_ident[arg] = i;
    }
    std::printf("%d %s modules over %s opened in %.1f s\n", modules, f.device, pty ? "pty" : "tcp",
                since(t_open));

    const double tx = exchange_seconds(handle[0], f.probe);
    if (tx <= 0) {
        std::fprintf(stderr, "reading %s failed\n", f.probe);
        return 2;
    }

    unsigned short port = 0;
    const int lfd = listen_local(&port);
    int rows = 0, items = 0, refused = 0;
    for (int i = 0; i < modules; ++i) {
        std::string list = all_items(f, handle[i], &rows, &items);
        std::vector<char> res(static_cast<std::size_t>(items), 0);
        if (int r = ZEVAHV_Subscribe(handle[i], static_cast<short>(port), static_cast<unsigned short>(items),
                                     list.c_str(), res.data())) {
            std::fprintf(stderr, "subscribe %d: %d\n", i, r);
            return 2;
        }
        refused = static_cast<int>(std::count(res.begin(), res.end(), static_cast<char>(-1)));
        if (i == 0 && refused > 0) {
            std::size_t start = 0;
            for (int k = 0; k < items; ++k) {
                const std::size_t end = std::min(list.find(':', start), list.size());
                if (res[k] == static_cast<char>(-1))
                    std::printf("refused: %s\n", list.substr(start, end - start).c_str());
                start = end + 1;
            }
        }
    }
    std::vector<int> fd_of(modules, -1);
    for (int k = 0; k < modules; ++k) {
        pollfd p{lfd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) return 2;
        int fd = accept(lfd, nullptr, nullptr);
        auto it = module_of_ident.find(read_ident(fd));
        if (it == module_of_ident.end()) return 2;
        fd_of[it->second] = fd;
    }
    std::printf("each: %d items (%d refused) in %d rows (one exchange per row per cycle); idle exchange %.0f us\n",
                items, refused, rows, tx * 1e6);

    // Frames until every module has delivered cycles + 1 of them (the first
    // only starts its clock).
    std::vector<std::vector<double>> at(modules);
    std::vector<unsigned> records(modules, 0);
    const auto t0 = Clock::now();
    const double c0 = cpu_seconds();
    int complete = 0;
    while (complete < modules && since(t0) < cycles * 3.0 + 30) {
        std::vector<pollfd> ps;
        for (int i = 0; i < modules; ++i) ps.push_back({fd_of[i], POLLIN, 0});
        if (poll(ps.data(), ps.size(), 2000) <= 0) continue;
        for (int i = 0; i < modules; ++i) {
            if (!(ps[i].revents & POLLIN)) continue;
            ZEVAHV_SYSTEMSTATUS_t st;
            IDValue_t *ev = nullptr;
            unsigned n = 0;
            if (ZEVAHV_GetEventData(fd_of[i], &st, &ev, &n) != 0) return 2;
            ZEVAHV_FreeEventData(&ev);
            records[i] = std::max(records[i], n);
            if (static_cast<int>(at[i].size()) <= cycles) {
                at[i].push_back(since(t0));
                if (static_cast<int>(at[i].size()) == cycles + 1) ++complete;
            }
        }
    }
    const double wall = since(t0), cpu = cpu_seconds() - c0;

    const double expected = 0.5 + rows * tx;
    double worst = 0, sum = 0;
    int within = 0, measured = 0;
    for (int i = 0; i < modules; ++i) {
        if (at[i].size() < 2) {
            std::printf("  module %2d: fewer than two frames\n", i);
            continue;
        }
        const double mean = (at[i].back() - at[i].front()) / (at[i].size() - 1);
        double mx = 0;
        for (std::size_t k = 1; k < at[i].size(); ++k) mx = std::max(mx, at[i][k] - at[i][k - 1]);
        worst = std::max(worst, mean);
        sum += mean;
        ++measured;
        if (mean <= expected * 1.1) ++within;
        std::printf("  module %2d: period mean %6.1f ms, max %6.1f ms, %u records/frame\n", i, mean * 1e3,
                    mx * 1e3, records[i]);
    }
    std::printf("expected period %.1f ms (500 ms + %d x %.0f us); mean of modules %.1f ms, worst %.1f ms;"
                " %d of %d within 10%%\n",
                expected * 1e3, rows, tx * 1e6, measured ? sum / measured * 1e3 : 0.0, worst * 1e3, within,
                modules);
    std::printf("library CPU: %.2f%% of one core for %d modules, %.3f%% per module (%.2f ms CPU per module-cycle)\n",
                cpu / wall * 100, modules, cpu / wall * 100 / modules,
                measured ? cpu / modules / (wall / (sum / measured)) * 1e3 : 0.0);

    for (int i = 0; i < modules; ++i) {
        ZEVAHV_DeinitSystem(handle[i]);
        close(fd_of[i]);
    }
    close(lfd);
    return within == modules ? 0 : 1;
}
