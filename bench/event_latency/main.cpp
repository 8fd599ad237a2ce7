// Event delivery latency of the module polling thread: from a value change at
// the module (the simulator's control channel, as the front panel would make
// it) to the record carrying the new value out of ZEVAHV_GetEventData.
//
// One channel parameter (Threshold of channel 0 of a Q2906 over TCP) is
// subscribed, so every cycle is one exchange, one frame and the 500 ms
// pause.  Each change is made at a chosen offset after the arrival of a
// frame: most spread over the pause, some packed around the moment the next
// cycle reads the row, where the worst case lives (a change that just misses
// the read waits for the whole next cycle).
//
// The bound: a change that just misses a read waits out the rest of that
// cycle's exchanges, the pause and the next cycle's exchanges, so at most
// 500 ms plus two cycles' worth of exchanges.  The exchange time of a cycle
// is measured in the same run from the gaps between frames minus the pause.
//
//   bench_event_latency [--changes N]      (default 100; about 0.55 s each)
//
// Exit status 1 when a change never arrived or the worst latency exceeds
// the bound, 2 when the setup failed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ZEVAHVLink.h"
#include "loopback.h"
#include "sim_child.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr double kPauseMs = 500.0;
constexpr int kMaxChanges = 3000;  // values 1000..4000 stay inside Threshold's range
constexpr auto kDeliveryTimeout = std::chrono::seconds(5);


// The identification text ends at its NUL; the frames follow.
bool read_ident(int fd, std::string *text) {
    for (int i = 0; i < 1024; ++i) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) return false;
        char c;
        if (recv(fd, &c, 1, 0) != 1) return false;
        if (c == '\0') return true;
        text->push_back(c);
    }
    return false;
}

// What the reader thread has seen: the arrival of every frame and every
// Threshold value of channel 0 with its arrival.
struct Arrivals {
    std::mutex mu;
    std::condition_variable cv;
    std::vector<Clock::time_point> frames;
    std::vector<std::pair<Clock::time_point, float>> values;
    bool ended = false;
    int end_code = 0;
};

void reader(int fd, Arrivals *a, const bool *stop) {
    for (;;) {
        ZEVAHV_SYSTEMSTATUS_t st;
        IDValue_t *ev = nullptr;
        unsigned n = 0;
        int rc = ZEVAHV_GetEventData(fd, &st, &ev, &n);
        auto t = Clock::now();
        if (rc == ZEVAHV_ERR_NODATA) continue;  // the 15 s wait passed; the main loop times out
        std::lock_guard<std::mutex> hold(a->mu);
        if (rc != ZEVAHV_OK || *stop) {
            if (ev) ZEVAHV_FreeEventData(&ev);
            a->ended = true;
            a->end_code = rc;
            a->cv.notify_all();
            return;
        }
        a->frames.push_back(t);
        for (unsigned i = 0; i < n; ++i) {
            const IDValue_t &r = ev[i];
            if (r.Type == ZEVAHV_EVENT_PARAMETER && r.BoardIndex == 0 && r.ChannelIndex == 0 &&
                std::strncmp(r.Item, "Threshold", ZEVAHV_EVENT_ITEM_SIZE) == 0) {
                float f;
                std::memcpy(&f, r.Value, sizeof f);
                a->values.emplace_back(t, f);
            }
        }
        a->cv.notify_all();
        ZEVAHV_FreeEventData(&ev);
    }
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    std::size_t k = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(k, v.size() - 1)];
}

// Offsets after a frame's arrival at which the changes are made: the most
// spread evenly over the pause, a fifth packed around the next read.
std::vector<double> change_offsets(int changes, double exchange_ms) {
    int window = changes >= 5 ? changes / 5 : 0;
    int spread = changes - window;
    std::vector<double> out;
    for (int i = 0; i < spread; ++i) out.push_back((i + 0.5) / spread * kPauseMs);
    double from = kPauseMs - 2.0, width = 4.0 + 2.0 * exchange_ms;
    for (int i = 0; i < window; ++i) out.push_back(from + (i + 0.5) / window * width);
    std::mt19937 rng(1);  // a fixed order, so runs compare
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

int usage(const char *self) {
    std::fprintf(stderr, "usage: %s [--changes N]   (1..%d, default 100)\n", self, kMaxChanges);
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    int changes = 100;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--changes") == 0 && i + 1 < argc) {
            char *end = nullptr;
            long n = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || n < 1 || n > kMaxChanges) return usage(argv[0]);
            changes = static_cast<int>(n);
        } else {
            return usage(argv[0]);
        }
    }

    SimChild sim;
    if (!sim.start({"q2906"})) return 2;
    std::string arg = "127.0.0.1:" + std::to_string(sim.port()) + "_0";
    int h = -1;
    int r = ZEVAHV_InitSystem(ZEVAHV_SYS_Q2906, ZEVAHV_LINK_TCPIP, arg.data(), "", "", &h);
    if (r != ZEVAHV_OK) {
        std::fprintf(stderr, "open failed (%d)\n", r);
        return 2;
    }

    unsigned short port = 0;
    int lfd = listen_local(&port);
    char result = 1;
    r = lfd < 0 ? -1
                : ZEVAHV_SubscribeChannelParams(h, static_cast<short>(port), 0, 0, "Threshold", 1,
                                                &result);
    int fd = r == ZEVAHV_OK && result == 0 ? accept_within(lfd, 10000) : -1;
    std::string ident;
    if (fd < 0 || !read_ident(fd, &ident)) {
        std::fprintf(stderr, "subscribe failed (%d, item %d)\n", r, result);
        if (fd >= 0) close(fd);
        if (lfd >= 0) close(lfd);
        ZEVAHV_DeinitSystem(h);
        return 2;
    }

    Arrivals seen;
    bool stop = false;
    std::thread rd(reader, fd, &seen, &stop);

    auto wait_frames = [&](std::size_t count) {
        std::unique_lock<std::mutex> hold(seen.mu);
        return seen.cv.wait_for(hold, std::chrono::seconds(5), [&] {
            return seen.ended || seen.frames.size() >= count;
        }) && !seen.ended;
    };

    // The first frame may close a cycle begun before the subscription;
    // two more give a first period to place the changes by.
    int status = 0;
    double exchange_est = 0;
    if (!wait_frames(4)) {
        std::fprintf(stderr, "no frames from the polling thread\n");
        status = 2;
    } else {
        std::lock_guard<std::mutex> hold(seen.mu);
        exchange_est = std::max(0.0, Ms(seen.frames[3] - seen.frames[2]).count() - kPauseMs);
    }

    std::vector<double> latencies, round_trips;
    int missing = 0, next_cycle = 0;
    const std::vector<double> offsets = change_offsets(changes, exchange_est);
    for (int i = 0; status == 0 && i < changes; ++i) {
        Clock::time_point anchor;
        std::size_t already = 0;
        {
            std::lock_guard<std::mutex> hold(seen.mu);
            anchor = seen.frames.back();
            already = seen.values.size();
        }
        std::this_thread::sleep_until(
            anchor + std::chrono::duration_cast<Clock::duration>(Ms(offsets[i])));

        const int value = 1000 + i;
        auto t0 = Clock::now();
        std::string reply = sim.control("set 0 THR 0 " + std::to_string(value));
        round_trips.push_back(Ms(Clock::now() - t0).count());
        if (reply.rfind("OK", 0) != 0) {
            std::fprintf(stderr, "the simulator refused the change: %s\n", reply.c_str());
            status = 2;
            break;
        }

        std::unique_lock<std::mutex> hold(seen.mu);
        Clock::time_point arrived{};
        bool got = seen.cv.wait_until(hold, t0 + kDeliveryTimeout, [&] {
            for (std::size_t k = already; k < seen.values.size(); ++k)
                if (seen.values[k].second == static_cast<float>(value)) {
                    arrived = seen.values[k].first;
                    return true;
                }
            return seen.ended;
        });
        if (!got || arrived == Clock::time_point{}) {
            ++missing;
            if (seen.ended) break;
            continue;
        }
        double ms = Ms(arrived - t0).count();
        latencies.push_back(ms);
        if (ms > kPauseMs) ++next_cycle;
    }

    {
        std::lock_guard<std::mutex> hold(seen.mu);
        stop = true;
    }
    shutdown(fd, SHUT_RDWR);  // wakes the reader out of its wait
    rd.join();
    close(fd);
    close(lfd);
    ZEVAHV_DeinitSystem(h);
    if (status != 0) return status;

    // Periods from the third frame on (the first may be a partial cycle).
    std::vector<double> exchanges;
    for (std::size_t k = 2; k + 1 < seen.frames.size(); ++k)
        exchanges.push_back(
            std::max(0.0, Ms(seen.frames[k + 1] - seen.frames[k]).count() - kPauseMs));
    const double ex_median = percentile(exchanges, 0.5);
    const double ex_worst = exchanges.empty() ? 0 : *std::max_element(exchanges.begin(), exchanges.end());
    const double bound = kPauseMs + 2.0 * ex_worst;
    const double worst =
        latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());

    std::printf("event delivery latency: Q2906 over TCP, Threshold of channel 0, %d changes\n",
                changes);
    std::printf("  identification: \"%s\"\n", ident.c_str());
    std::printf("  cycles: %zu; exchanges per cycle (period - 500 ms): median %.2f ms, worst %.2f ms\n",
                exchanges.size(), ex_median, ex_worst);
    std::printf("  latency: median %.1f ms, 90th %.1f ms, worst %.1f ms (%zu delivered, %d missing)\n",
                percentile(latencies, 0.5), percentile(latencies, 0.9), worst, latencies.size(),
                missing);
    std::printf("  changes that just missed a read and waited for the next cycle: %d\n", next_cycle);
    std::printf("  bound: 500 ms + 2 x %.2f ms of exchanges = %.2f ms; worst %s by %.2f ms\n",
                ex_worst, bound, worst <= bound ? "within" : "OVER", std::abs(bound - worst));
    std::printf("  control round trip to the simulator (inside each latency): median %.3f ms\n",
                percentile(round_trips, 0.5));
    return missing == 0 && worst <= bound ? 0 : 1;
}
