// How fast the event reader takes frames off a local event connection:
// records per second through ZEVAHV_GetEventData, against a plain recv loop
// that takes the very same bytes off a connection of its own (the physical
// limit here), in alternating rounds of one run.  A writer thread plays the
// polling thread: it sends prepared frames ("ZEVAHV", big-endian length,
// 1060-byte records) as fast as the socket takes them.  A reader that has
// fallen behind gets every whole frame that has arrived in one call; the
// records a call returned on average are shown beside the rate.  Goals:
// the ratio within 3 for frames of one record, within 1.5 from 16 up.
//
// The reader only serves 127.0.0.1 peers while a polling device is open, so
// a Q2906 is opened on zevahv-sim for the duration.
//
//   bench_event_reader [records-per-round] [rounds]   (defaults 200000, 5)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
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
#include "loopback.h"
#include "sim_child.h"

namespace {

using Clock = std::chrono::steady_clock;

// A connected pair of loopback TCP sockets: [0] reads, [1] writes.
bool loopback_pair(int fds[2]) {
    int l = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (l < 0 || bind(l, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(l, 1) != 0 ||
        getsockname(l, reinterpret_cast<sockaddr *>(&a), &len) != 0)
        return false;
    fds[1] = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fds[1], reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) return false;
    fds[0] = accept(l, nullptr, nullptr);
    close(l);
    return fds[0] >= 0;
}

// Frames of n records each, as a polling thread builds them: numeric values
// of channels 0..n-1.
std::string frames(int records_per_frame, int count) {
    std::string one;
    const std::uint32_t total = 10 + 1060u * static_cast<std::uint32_t>(records_per_frame);
    one.append("ZEVAHV", 6);
    const char be[4] = {static_cast<char>(total >> 24), static_cast<char>(total >> 16),
                        static_cast<char>(total >> 8), static_cast<char>(total)};
    one.append(be, 4);
    for (int i = 0; i < records_per_frame; ++i) {
        IDValue_t r{};
        r.Type = 0;  // numeric
        r.SystemHandle = 0;
        r.BoardIndex = 0;
        r.ChannelIndex = i;
        std::strcpy(r.Item, "Threshold");
        const float v = 100.0f + static_cast<float>(i);
        std::memcpy(r.Value, &v, sizeof v);
        one.append(reinterpret_cast<const char *>(&r), sizeof r);
    }
    std::string all;
    all.reserve(one.size() * count);
    for (int k = 0; k < count; ++k) all += one;
    return all;
}

// Sends `bytes` over fd `times` times, then closes it.
std::thread writer(int fd, const std::string &bytes, int times) {
    return std::thread([fd, &bytes, times] {
        for (int k = 0; k < times; ++k) {
            std::size_t off = 0;
            while (off < bytes.size()) {
                ssize_t n = send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
                if (n <= 0) {
                    close(fd);
                    return;
                }
                off += static_cast<std::size_t>(n);
            }
        }
        close(fd);
    });
}

// CPU time of the calling thread, in seconds: what the reading costs,
// whatever else the shared machine runs meanwhile.
double thread_cpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Round {
    double rate = 0;     // records per second
    double cpu = 0;      // reader's CPU seconds per million records
};

struct LibraryRound {
    double rate;   // records per second
    double per_call;  // records a call returned, on average
    double cpu;       // reader's CPU seconds per million records
};

LibraryRound library_round(int per_frame, long records) {
    const int frames_per_chunk = std::max(1, 64 / per_frame);
    const std::string chunk = frames(per_frame, frames_per_chunk);
    const long chunk_records = static_cast<long>(per_frame) * frames_per_chunk;
    const int times = static_cast<int>((records + chunk_records - 1) / chunk_records);
    int fds[2];
    if (!loopback_pair(fds)) std::exit(2);
    std::thread w = writer(fds[1], chunk, times);
    long got = 0, calls = 0;
    const auto t0 = Clock::now();
    const double c0 = thread_cpu();
    while (got < static_cast<long>(times) * chunk_records) {
        ZEVAHV_SYSTEMSTATUS_t st;
        IDValue_t *ev = nullptr;
        unsigned n = 0;
        if (int r = ZEVAHV_GetEventData(fds[0], &st, &ev, &n); r != 0) {
            std::fprintf(stderr, "ZEVAHV_GetEventData: %d\n", r);
            std::exit(2);
        }
        got += n;
        calls += n > 0;
        ZEVAHV_FreeEventData(&ev);
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = thread_cpu() - c0;
    w.join();
    close(fds[0]);
    return {got / s, static_cast<double>(got) / static_cast<double>(std::max(1L, calls)),
            cpu * 1e6 / static_cast<double>(got)};
}

Round plain_round(int per_frame, long records) {
    const int frames_per_chunk = std::max(1, 64 / per_frame);
    const std::string chunk = frames(per_frame, frames_per_chunk);
    const long chunk_records = static_cast<long>(per_frame) * frames_per_chunk;
    const int times = static_cast<int>((records + chunk_records - 1) / chunk_records);
    int fds[2];
    if (!loopback_pair(fds)) std::exit(2);
    std::thread w = writer(fds[1], chunk, times);
    std::vector<char> buf(1 << 16);
    const std::size_t want = chunk.size() * static_cast<std::size_t>(times);
    std::size_t got = 0;
    const auto t0 = Clock::now();
    const double c0 = thread_cpu();
    while (got < want) {
        ssize_t n = recv(fds[0], buf.data(), buf.size(), 0);
        if (n <= 0) std::exit(2);
        got += static_cast<std::size_t>(n);
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = thread_cpu() - c0;
    w.join();
    close(fds[0]);
    const double n = static_cast<double>(times) * chunk_records;
    return {n / s, cpu * 1e6 / n};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
    const long records = argc > 1 ? std::max(1L, std::atol(argv[1])) : 200000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    SimChild sim;
    if (!sim.start({"q2906"})) return 2;
    std::string arg = "127.0.0.1:" + std::to_string(sim.port()) + "_0";
    int h = -1;
    if (int r = ZEVAHV_InitSystem(ZEVAHV_SYS_Q2906, ZEVAHV_LINK_TCPIP, arg.data(), "", "", &h)) {
        std::fprintf(stderr, "open: %d\n", r);
        return 2;
    }
    std::printf("event reader: %ld records per round, %d rounds, loopback TCP\n", records, rounds);
    for (int per_frame : {1, 16, 115}) {
        std::vector<double> lib, plain, ratio, per_call, cpu_ratio;
        library_round(per_frame, records / 10);  // warm-up
        for (int k = 0; k < rounds; ++k) {
            const LibraryRound l = library_round(per_frame, records);
            const Round p = plain_round(per_frame, records);
            lib.push_back(l.rate);
            plain.push_back(p.rate);
            ratio.push_back(p.rate / l.rate);
            per_call.push_back(l.per_call);
            cpu_ratio.push_back(l.cpu / p.cpu);
        }
        auto [lo, hi] = std::minmax_element(ratio.begin(), ratio.end());
        std::printf("  %3d records/frame: ZEVAHV_GetEventData %9.0f records/s (%.1f records a call),"
                    " plain recv %9.0f records/s\n"
                    "                     time ratio %.2f (rounds %.2f-%.2f),"
                    " reader CPU ratio %.2f\n",
                    per_frame, median(lib), median(per_call), median(plain), median(ratio), *lo,
                    *hi, median(cpu_ratio));
    }
    ZEVAHV_DeinitSystem(h);
    return 0;
}
