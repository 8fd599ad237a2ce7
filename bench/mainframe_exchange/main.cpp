// What a mainframe request costs through the library, against what the wire
// itself costs: ZEVAHV_GetChParam of VMon of one channel and of a whole
// 48-channel board from zevahv-sim mainframe, and, in alternating rounds of
// the same run, a raw ping-pong of the very same request and reply bytes on
// a session of its own (blocking send, blocking recv of the length and the
// payload, no parsing).  Goal: the library within 1.3 times the raw loop.
//
// Then 33 sessions (the family's limit) on one crate, each on a thread of
// its own, read VMon of every channel of every board in a loop: requests per
// second in total and per session, and the slowest session against the
// fastest (no session may starve).
//
//   bench_mainframe_exchange [requests-per-round] [rounds] [session-seconds]
//                            (defaults: 2000, 10, 5)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ZEVAHVLink.h"
#include "sim_child.h"
#if __has_include("loopback.h")
#include "loopback.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;
const char kHost[] = "127.0.0.2";

std::string be16(unsigned v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string be32(unsigned v) { return be16(v >> 16) + be16(v & 0xFFFF); }

bool read_n(int fd, char *p, std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const ssize_t got = recv(fd, p + done, n - done, 0);
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// A raw session: one TCP connection, logged in, sending prepared bytes.
struct RawSession {
    int fd = -1;
    std::string session;
    std::vector<char> reply;
    bool open(int port) {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<unsigned short>(port));
        inet_pton(AF_INET, kHost, &a.sin_addr);
        if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) return false;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (!exchange(frame("LOGINSYSTEM:admin:admin"))) return false;
        session.assign(reply.end() - 4, reply.end());
        return true;
    }
    static std::string frame(const std::string &payload) { return be32(static_cast<unsigned>(payload.size())) + payload; }
    bool exchange(const std::string &bytes) {
        if (send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) return false;
        char len[4];
        if (!read_n(fd, len, 4)) return false;
        const unsigned n = (static_cast<unsigned char>(len[0]) << 24) | (static_cast<unsigned char>(len[1]) << 16) |
                           (static_cast<unsigned char>(len[2]) << 8) | static_cast<unsigned char>(len[3]);
        reply.resize(n);
        return read_n(fd, reply.data(), n);
    }
    ~RawSession() {
        if (fd >= 0) close(fd);
    }
};

double per_second(long n, Clock::duration d) { return n / std::chrono::duration<double>(d).count(); }

double thread_cpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void overhead(int port, int handle, int per_round, int rounds, int nch) {
    RawSession raw;
    if (!raw.open(port)) {
        std::fprintf(stderr, "raw session failed\n");
        std::exit(1);
    }
    unsigned short chs[48];
    std::string list;
    for (int i = 0; i < nch; ++i) {
        chs[i] = static_cast<unsigned short>(i);
        list += be16(static_cast<unsigned>(i));
    }
    const std::string request =
        RawSession::frame("GETCHPARAM:" + raw.session + ":" + be16(4) + ":VMon:" + be16(static_cast<unsigned>(nch)) + ":" + list);
    float values[48];
    std::vector<double> lib, wire;
    double lib_cpu = 0, wire_cpu = 0;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Clock::now();
        double c0 = thread_cpu();
        for (int k = 0; k < per_round; ++k)
            if (ZEVAHV_GetChParam(handle, 4, "VMon", static_cast<unsigned short>(nch), chs, values) != 0) std::exit(1);
        lib_cpu += thread_cpu() - c0;
        lib.push_back(per_second(per_round, Clock::now() - t0));
        t0 = Clock::now();
        c0 = thread_cpu();
        for (int k = 0; k < per_round; ++k)
            if (!raw.exchange(request)) std::exit(1);
        wire_cpu += thread_cpu() - c0;
        wire.push_back(per_second(per_round, Clock::now() - t0));
    }
    std::sort(lib.begin(), lib.end());
    std::sort(wire.begin(), wire.end());
    std::vector<double> ratio;
    for (std::size_t i = 0; i < lib.size(); ++i) ratio.push_back(wire[i] / lib[i]);
    std::sort(ratio.begin(), ratio.end());
    const double lm = lib[lib.size() / 2], wm = wire[wire.size() / 2];
    std::printf("GetChParam of %2d channel(s): library %7.0f req/s (%.1f us), raw ping-pong %7.0f req/s (%.1f us),"
                " library time / raw time: median %.2f (%.2f..%.2f)\n",
                nch, lm, 1e6 / lm, wm, 1e6 / wm, wm / lm, ratio.front(), ratio.back());
    const double n = static_cast<double>(per_round) * rounds;
    std::printf("  client CPU per request: library %.1f us, raw %.1f us (ratio %.2f)\n", lib_cpu / n * 1e6,
                wire_cpu / n * 1e6, lib_cpu / wire_cpu);
}

void sessions(int port, int seconds) {
    constexpr int kSessions = 33;
    const std::string arg = std::string(kHost) + ":" + std::to_string(port);
    std::vector<int> handles;
    for (int i = 0; i < kSessions; ++i) {
        int h = -1;
        std::string a = arg;
        if (ZEVAHV_InitSystem(ZEVAHV_SYS_KR2550, ZEVAHV_LINK_TCPIP, a.data(), "admin", "admin", &h) != 0) {
            std::fprintf(stderr, "session %d failed to open\n", i);
            std::exit(1);
        }
        handles.push_back(h);
    }
    unsigned short nslot = 0, *nch = nullptr, *ser = nullptr;
    char *models = nullptr, *descs = nullptr;
    unsigned char *lo = nullptr, *hi = nullptr;
    ZEVAHV_GetCrateMap(handles[0], &nslot, &nch, &models, &descs, &ser, &lo, &hi);
    std::vector<std::pair<unsigned short, unsigned short>> boards;
    int channels = 0;
    for (unsigned short s = 0; s < nslot; ++s)
        if (nch[s] > 0) boards.emplace_back(s, nch[s]), channels += nch[s];
    ZEVAHV_Free(nch), ZEVAHV_Free(models), ZEVAHV_Free(descs), ZEVAHV_Free(ser), ZEVAHV_Free(lo), ZEVAHV_Free(hi);

    std::atomic<bool> go{false}, stop{false};
    std::vector<long> counts(kSessions, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kSessions; ++i) {
        threads.emplace_back([&, i] {
            unsigned short chs[128];
            for (int c = 0; c < 128; ++c) chs[c] = static_cast<unsigned short>(c);
            float v[128];
            while (!go) std::this_thread::yield();
            while (!stop) {
                for (auto [slot, n] : boards)
                    if (ZEVAHV_GetChParam(handles[i], slot, "VMon", n, chs, v) == 0) ++counts[i];
            }
        });
    }
    const auto t0 = Clock::now();
    go = true;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stop = true;
    for (auto &t : threads) t.join();
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    long total = 0;
    for (long c : counts) total += c;
    const auto [mn, mx] = std::minmax_element(counts.begin(), counts.end());
    std::printf("33 sessions, %zu boards (%d channels) each read in a loop for %.1f s:\n"
                "  %.0f requests/s in total (%.0f channel values/s), per session %.0f..%.0f requests/s,"
                " slowest/fastest %.2f\n",
                boards.size(), channels, s, total / s, total / s * channels / boards.size(), *mn / s, *mx / s,
                static_cast<double>(*mn) / static_cast<double>(*mx));
    for (int h : handles) ZEVAHV_DeinitSystem(h);
}

}  // namespace

int main(int argc, char **argv) {
    const int per_round = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 10;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 5;
    SimChild sim;
    if (!sim.start({"mainframe", "--tcp", std::string(kHost) + ":0"})) return 1;
    std::string arg = std::string(kHost) + ":" + std::to_string(sim.port());
    int h = -1;
    if (ZEVAHV_InitSystem(ZEVAHV_SYS_KR2440, ZEVAHV_LINK_TCPIP, arg.data(), "admin", "admin", &h) != 0) {
        std::fprintf(stderr, "open failed\n");
        return 1;
    }
    overhead(sim.port(), h, per_round, rounds, 1);
    overhead(sim.port(), h, per_round, rounds, 48);
    ZEVAHV_DeinitSystem(h);
    sessions(sim.port(), seconds);
    return 0;
}
