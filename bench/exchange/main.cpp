// What one parameter read costs through the library, against what the wire
// itself costs: reads of VSet of channel 0 through ZEVAHV_GetChParam from a
// Q3815 on zevahv-sim, and, in alternating rounds of the same run, a raw
// ping-pong of the very same command and reply bytes with the same
// simulator (blocking send and recv, no parsing).  The raw loop is the
// physical limit of this machine; the goal is the library within 1.3 times
// it.
//
//   bench_exchange [reads-per-round] [rounds] [tcp|pty]
//                  (defaults: 1000 reads, 15 rounds, both links)
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <arpa/inet.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
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

const std::string kCommand = "$BD:00,CMD:MON,CH:0,PAR:VSET\r\n";

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Round {
    double per_s = 0;
    double cpu_us = 0;  // this process's CPU per exchange
};

int tcp_client(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<unsigned short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{2, 0};  // a module that stops answering ends the bench
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return fd;
}

int pty_client(const std::string &path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;  // a read returns once anything is there, or after 2 s
    t.c_cc[VTIME] = 20;
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// One raw exchange: the command out, bytes in up to the line feed.
bool raw_exchange(int fd, std::string *reply) {
    if (write(fd, kCommand.data(), kCommand.size()) != static_cast<ssize_t>(kCommand.size()))
        return false;
    reply->clear();
    char buf[1024];
    for (;;) {
        // A blocking read returns with whatever is there once anything is.
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        reply->append(buf, static_cast<std::size_t>(n));
        if (buf[n - 1] == '\n') return true;
    }
}

Round raw_round(int fd, int n, std::string *reply) {
    const double c0 = cpu_seconds();
    const auto t0 = Clock::now();
    for (int i = 0; i < n; ++i)
        if (!raw_exchange(fd, reply)) {
            std::fprintf(stderr, "raw exchange failed\n");
            std::exit(2);
        }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    return {n / s, (cpu_seconds() - c0) / n * 1e6};
}

Round library_round(int h, int n) {
    const unsigned short ch = 0;
    const double c0 = cpu_seconds();
    const auto t0 = Clock::now();
    for (int i = 0; i < n; ++i) {
        float v = 0;
        if (int r = ZEVAHV_GetChParam(h, 0, "VSet", 1, &ch, &v); r != 0) {
            std::fprintf(stderr, "ZEVAHV_GetChParam: %d\n", r);
            std::exit(2);
        }
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    return {n / s, (cpu_seconds() - c0) / n * 1e6};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void report(const char *link, int reads, const std::vector<Round> &lib, const std::vector<Round> &raw,
            const std::string &reply) {
    std::vector<double> lr, rr, lc, rc;
    for (const Round &r : lib) lr.push_back(r.per_s), lc.push_back(r.cpu_us);
    for (const Round &r : raw) rr.push_back(r.per_s), rc.push_back(r.cpu_us);
    const double l = median(lr), w = median(rr);
    // Each library round runs next to a raw round: the ratio of each pair
    // is less disturbed by other load on the machine than the medians.
    std::vector<double> pair;
    for (std::size_t k = 0; k < lib.size() && k < raw.size(); ++k) pair.push_back(raw[k].per_s / lib[k].per_s);
    std::printf("link %s: %zu rounds of %d exchanges, command %zu bytes, reply %zu bytes\n", link,
                lib.size(), reads, kCommand.size(), reply.size());
    std::printf("  library ZEVAHV_GetChParam: median %8.0f reads/s  (%6.1f us each, %5.1f us CPU in the client)\n",
                l, 1e6 / l, median(lc));
    std::printf("  raw send/recv ping-pong:   median %8.0f exchanges/s (%6.1f us each, %5.1f us CPU in the client)\n",
                w, 1e6 / w, median(rc));
    std::printf("  library time / raw time: median of round pairs %.2f, of medians %.2f  (goal: at most 1.30)\n",
                median(pair), w / l);
}

bool run_tcp(int reads, int rounds) {
    SimChild sim;
    if (!sim.start({"q3815", "--tcp", "127.0.0.1:0"})) return false;
    std::string arg = "127.0.0.1:" + std::to_string(sim.port()) + "_0";
    int h = -1;
    if (int r = ZEVAHV_InitSystem(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, arg.data(), "", "", &h)) {
        std::fprintf(stderr, "open: %d\n", r);
        return false;
    }
    int fd = tcp_client(sim.port());
    if (fd < 0) return false;
    std::string reply;
    library_round(h, reads / 10 + 1);  // warm both paths up
    raw_round(fd, reads / 10 + 1, &reply);
    std::vector<Round> lib, raw;
    for (int k = 0; k < rounds; ++k) {
        lib.push_back(library_round(h, reads));
        raw.push_back(raw_round(fd, reads, &reply));
    }
    close(fd);
    ZEVAHV_DeinitSystem(h);
    report("tcp", reads, lib, raw, reply);
    return true;
}

// The serial port is held exclusively while a system is open on it, so the
// pseudo-terminal rounds alternate by closing and opening again.
bool run_pty(int reads, int rounds) {
    SimChild sim;
    if (!sim.start({"q3815", "--pty"})) return false;
    std::string arg = sim.pty_path() + "_9600_8_0_0_0";
    std::vector<Round> lib, raw;
    std::string reply;
    for (int k = 0; k < rounds; ++k) {
        int h = -1;
        if (int r = ZEVAHV_InitSystem(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_USBVCP, arg.data(), "", "", &h)) {
            std::fprintf(stderr, "open: %d\n", r);
            return false;
        }
        library_round(h, reads / 10 + 1);
        lib.push_back(library_round(h, reads));
        ZEVAHV_DeinitSystem(h);
        int fd = pty_client(sim.pty_path());
        if (fd < 0) return false;
        raw_round(fd, reads / 10 + 1, &reply);
        raw.push_back(raw_round(fd, reads, &reply));
        close(fd);
    }
    report("pty", reads, lib, raw, reply);
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    const int reads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const std::string only = argc > 3 ? argv[3] : "";
    bool ok = true;
    if (only.empty() || only == "tcp") ok = run_tcp(reads, rounds) && ok;
    if (only.empty() || only == "pty") ok = run_pty(reads, rounds) && ok;
    return ok ? 0 : 2;
}
