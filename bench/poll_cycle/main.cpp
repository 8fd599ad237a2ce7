// Commands per polling cycle of a P731X with every readable parameter of
// every channel (and every board parameter) subscribed, counted at the
// simulator, and the cycle period measured at the client's event port.
//
// The polling thread reads a channel row for all sixteen channels with one
// command, so a cycle must cost exactly one command per subscribed row; its
// period is the 500 ms pause plus the exchanges.
//
//   bench_poll_cycle [cycles] [tcp|pty]     (defaults: 10 cycles, both links)
//
// Exit status 1 when a cycle cost anything but one command per row.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ZEVAHVLink.h"
#include "loopback.h"
#include "sim_child.h"

namespace {

using Clock = std::chrono::steady_clock;


// The identification text ends at its NUL; the frames follow.
bool skip_ident(int fd) {
    for (int i = 0; i < 1024; ++i) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) return false;
        char c;
        if (recv(fd, &c, 1, 0) != 1) return false;
        if (c == '\0') return true;
    }
    return false;
}

std::vector<std::string> names_of(char *list) {
    std::vector<std::string> out;
    for (const char *p = list; p && *p; p += ZEVAHV_MAX_PARAM_NAME)
        out.emplace_back(p, strnlen(p, ZEVAHV_MAX_PARAM_NAME));
    ZEVAHV_Free(list);
    return out;
}

long count_of(SimChild &sim) {
    std::string r = sim.control("count");
    return r.rfind("OK ", 0) == 0 ? std::atol(r.c_str() + 3) : -1;
}

// Runs the measurement on one link; false on a mismatch or a failure.
bool run(const char *link, int cycles) {
    SimChild sim;
    std::vector<std::string> args{"p731x"};
    if (std::strcmp(link, "pty") == 0) args.push_back("--pty");
    if (!sim.start(args)) return false;
    std::string arg = sim.port() ? "127.0.0.1:" + std::to_string(sim.port()) + "_0"
                                 : sim.pty_path() + "_9600_8_0_0_0";
    int h = -1;
    int r = ZEVAHV_InitSystem(ZEVAHV_SYS_P731X,
                              sim.port() ? ZEVAHV_LINK_TCPIP : ZEVAHV_LINK_USBVCP, arg.data(),
                              "", "", &h);
    if (r != 0) {
        std::fprintf(stderr, "%s: open failed (%d)\n", link, r);
        return false;
    }

    // Every readable board parameter and every readable parameter of every
    // channel.
    char lock[32];
    std::snprintf(lock, sizeof lock, "ZEVA_P731X_HVL_%03d", h);
    std::string items;
    int rows = 0, item_count = 0;
    auto add = [&](const std::string &item) {
        if (!items.empty()) items += ':';
        items += item;
        ++item_count;
    };
    char *list = nullptr;
    ZEVAHV_GetBdParamInfo(h, 0, &list);
    for (const auto &n : names_of(list)) {
        unsigned mode = 0;
        ZEVAHV_GetBdParamProp(h, 0, n.c_str(), "Mode", &mode);
        if (mode == ZEVAHV_PARAM_MODE_WRONLY) continue;
        add(std::string(lock) + ".Board00." + n);
        ++rows;
    }
    list = nullptr;
    int nch = 0;
    ZEVAHV_GetChParamInfo(h, 0, 0, &list, &nch);
    for (const auto &n : names_of(list)) {
        unsigned mode = 0;
        ZEVAHV_GetChParamProp(h, 0, 0, n.c_str(), "Mode", &mode);
        if (mode == ZEVAHV_PARAM_MODE_WRONLY) continue;
        for (int ch = 0; ch < 16; ++ch) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "%s.Board00.CHAN%03d.%s", lock, ch, n.c_str());
            add(buf);
        }
        ++rows;
    }

    unsigned short port = 0;
    int lfd = listen_local(&port);
    std::vector<char> results(static_cast<std::size_t>(item_count), 1);
    r = ZEVAHV_Subscribe(h, static_cast<short>(port), static_cast<unsigned short>(item_count),
                         items.c_str(), results.data());
    int fd = r == 0 ? accept_within(lfd, 10000) : -1;
    if (r != 0 || fd < 0 || !skip_ident(fd)) {
        std::fprintf(stderr, "%s: subscribe failed (%d)\n", link, r);
        ZEVAHV_DeinitSystem(h);
        if (lfd >= 0) close(lfd);
        return false;
    }
    int refused = static_cast<int>(std::count_if(results.begin(), results.end(),
                                                 [](char c) { return c != 0; }));

    auto next_frame = [&](unsigned *records) {
        ZEVAHV_SYSTEMSTATUS_t st;
        IDValue_t *ev = nullptr;
        unsigned n = 0;
        int rc = ZEVAHV_GetEventData(fd, &st, &ev, &n);
        ZEVAHV_FreeEventData(&ev);
        *records = n;
        return rc == 0;
    };

    // The first frame may come from a cycle that began before the last item
    // was in; start counting once a frame has just arrived (the thread is
    // then in its pause, so no command of the next cycle has gone out).
    unsigned records = 0;
    bool ok = next_frame(&records) && next_frame(&records);
    sim.control("count reset");
    std::vector<Clock::time_point> arrivals{Clock::now()};
    unsigned min_records = ~0u, max_records = 0;
    for (int i = 0; ok && i < cycles; ++i) {
        ok = next_frame(&records);
        arrivals.push_back(Clock::now());
        min_records = std::min(min_records, records);
        max_records = std::max(max_records, records);
    }
    long commands = ok ? count_of(sim) : -1;

    double sum = 0, longest = 0, shortest = 1e9;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        double ms = std::chrono::duration<double, std::milli>(arrivals[i] - arrivals[i - 1]).count();
        sum += ms;
        longest = std::max(longest, ms);
        shortest = std::min(shortest, ms);
    }
    double mean = arrivals.size() > 1 ? sum / static_cast<double>(arrivals.size() - 1) : 0;
    double per_cycle = ok ? static_cast<double>(commands) / cycles : 0;

    std::printf("link %s: %d subscribed rows (%d items, %d refused), %d cycles\n", link, rows,
                item_count, refused, cycles);
    std::printf("  commands counted at the module: %ld, per cycle %.2f (expected %d)\n",
                commands, per_cycle, rows);
    std::printf("  records per frame: %u..%u (expected %d)\n", min_records, max_records,
                item_count - refused);
    std::printf("  cycle period: mean %.1f ms, min %.1f ms, max %.1f ms "
                "(500 ms pause + %.1f ms of exchanges)\n",
                mean, shortest, longest, mean - 500.0);

    close(fd);
    close(lfd);
    ZEVAHV_DeinitSystem(h);
    return ok && commands == static_cast<long>(rows) * cycles;
}

}  // namespace

int main(int argc, char **argv) {
    int cycles = argc > 1 ? std::atoi(argv[1]) : 10;
    if (cycles < 1) cycles = 10;
    bool all_ok = true;
    for (const char *link : {"tcp", "pty"}) {
        if (argc > 2 && std::strcmp(argv[2], link) != 0) continue;
        if (!run(link, cycles)) {
            std::printf("  MISMATCH or failure on %s\n", link);
            all_ok = false;
        }
    }
    return all_ok ? 0 : 1;
}
