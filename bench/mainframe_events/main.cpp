// The mainframe event path, measured two ways.
//
// Decode: a crate of 16 boards of 48 channels (zevahv-sim mainframe --crate
// full) floods frames of 1, 48 and 768 subscribed items to two event ports
// at once.  One is read through ZEVAHV_GetEventData, the other by a plain
// recv loop that only takes the same bytes; each reader runs on a thread of
// its own and its CPU time is measured, so the figure is the cost of
// turning the stream into records.  Goal: within 1.5 times the plain loop
// for 48 items and more.  A second plain loop also allocates, zero-fills and
// frees the 1060-byte records the interface hands out for a frame (12 bytes
// on the wire become 1060 in memory): the floor for any reader of this
// interface.
//
// Stream: VMon and IMon of every channel of the full crate subscribed
// (1536 items), every monitor changing once a second (--ripple 1000): every
// change must arrive, none lost; the reader's CPU per 1000 records.
//
//   bench_mainframe_events [frames-per-size] [stream-seconds]   (defaults: 2000, 10)
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ZEVAHVLink.h"
#include "sim_child.h"
#if __has_include("loopback.h")
#include "loopback.h"
#endif

namespace {

const char kHost[] = "127.0.0.3";
constexpr std::size_t kFrameHeader = 45, kNumberItem = 12;

double thread_cpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int open_session(int port) {
    std::string arg = std::string(kHost) + ":" + std::to_string(port);
    int h = -1;
    if (ZEVAHV_InitSystem(ZEVAHV_SYS_KR2550, ZEVAHV_LINK_TCPIP, arg.data(), "admin", "admin", &h) != 0) {
        std::fprintf(stderr, "open failed\n");
        std::exit(1);
    }
    return h;
}

// Subscribes the first n of the crate's channels (board by board), the
// names given, to port.
void subscribe_channels(int h, unsigned short port, int n, const char *names) {
    int done = 0;
    for (unsigned short slot = 0; slot < 16 && done < n; ++slot) {
        for (unsigned short ch = 0; ch < 48 && done < n; ++ch, ++done) {
            unsigned count = 1;
            for (const char *p = names; *p; ++p) count += *p == ':';
            char res[4];
            if (ZEVAHV_SubscribeChannelParams(h, static_cast<short>(port), slot, ch, names, count, res) != 0) {
                std::fprintf(stderr, "subscribe failed: %s\n", ZEVAHV_GetError(h));
                std::exit(1);
            }
        }
    }
}

volatile unsigned sink;

void decode(SimChild &sim, int frames, int items, bool with_records) {
    const int lib = open_session(sim.port());
    const int raw = open_session(sim.port());
    unsigned short pa = 0, pb = 0;
    const int la = listen_local(&pa), lb = listen_local(&pb);
    subscribe_channels(lib, pa, items, "VMon");
    subscribe_channels(raw, pb, items, "VMon");
    const int a = accept_within(la, 5000), b = accept_within(lb, 5000);
    if (a < 0 || b < 0) {
        std::fprintf(stderr, "no event connection\n");
        std::exit(1);
    }
    // The first frames after a subscription hold the new items: let them
    // come and go before the measured flood.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int fd : {a, b}) {
        char sink[65536];
        while (recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {}
    }
    const std::size_t frame_bytes = kFrameHeader + kNumberItem * static_cast<std::size_t>(items);
    double lib_cpu = 0, raw_cpu = 0, lib_wall = 0;
    long lib_records = 0;
    std::thread ta([&] {
        const double c0 = thread_cpu();
        const auto w0 = std::chrono::steady_clock::now();
        for (int f = 0; f < frames;) {
            ZEVAHV_SYSTEMSTATUS_t st;
            IDValue_t *ev = nullptr;
            unsigned n = 0;
            if (ZEVAHV_GetEventData(a, &st, &ev, &n) != 0) {
                std::fprintf(stderr, "GetEventData failed\n");
                std::exit(1);
            }
            if (n == static_cast<unsigned>(items)) ++f;
            lib_records += n;
            ZEVAHV_FreeEventData(&ev);
        }
        lib_cpu = thread_cpu() - c0;
        lib_wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    });
    std::thread tb([&] {
        // Frame by frame, as any reader must to tell frames apart: the
        // header, then the body its total length announces.
        const double c0 = thread_cpu();
        std::vector<char> buf(frame_bytes);
        auto take = [&](std::size_t n) {
            for (std::size_t done = 0; done < n;) {
                const ssize_t got = recv(b, buf.data() + done, n - done, 0);
                if (got <= 0) std::exit(1);
                done += static_cast<std::size_t>(got);
            }
        };
        for (int f = 0; f < frames; ++f) {
            take(kFrameHeader);
            const std::size_t total = (static_cast<unsigned char>(buf[41]) << 24) |
                                      (static_cast<unsigned char>(buf[42]) << 16) |
                                      (static_cast<unsigned char>(buf[43]) << 8) |
                                      static_cast<unsigned char>(buf[44]);
            if (total != frame_bytes) std::exit(3);
            take(total - kFrameHeader);
            if (with_records) {
                // What the interface itself asks for: one zero-filled
                // 1060-byte record per item, handed out and freed.
                void *out = std::calloc(static_cast<std::size_t>(items), sizeof(IDValue_t));
                std::memcpy(out, buf.data() + kFrameHeader, 4);
                sink = sink + static_cast<unsigned char *>(out)[1059];
                std::free(out);
            }
        }
        raw_cpu = thread_cpu() - c0;
    });
    const std::string r = sim.control("event flood " + std::to_string(frames));
    ta.join();
    tb.join();
    const double records = static_cast<double>(frames) * items;
    std::printf("%3d items/frame, %d frames: GetEventData %9.0f records/s of reader CPU (%6.2f us/frame),"
                " plain recv%s %9.0f records/s (%6.2f us/frame): CPU ratio %.2f; delivered %.0f records/s\n",
                items, frames, records / lib_cpu, lib_cpu / frames * 1e6,
                with_records ? " + records" : "", records / raw_cpu, raw_cpu / frames * 1e6,
                lib_cpu / raw_cpu, lib_records / lib_wall);
    close(a), close(b), close(la), close(lb);
    ZEVAHV_DeinitSystem(lib);
    ZEVAHV_DeinitSystem(raw);
}

void stream(int seconds) {
    SimChild sim;
    if (!sim.start({"mainframe", "--tcp", std::string(kHost) + ":0", "--crate", "full", "--ripple", "1000",
                    "--tick", "100"}))
        std::exit(1);
    const int h = open_session(sim.port());
    unsigned short port = 0;
    const int l = listen_local(&port);
    subscribe_channels(h, port, 16 * 48, "VMon:IMon");
    const int fd = accept_within(l, 5000);
    std::map<std::pair<int, int>, std::pair<long, long>> per_item;  // (slot, ch) -> VMon, IMon records
    long records = 0, frames = 0;
    const double c0 = thread_cpu();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        ZEVAHV_SYSTEMSTATUS_t st;
        IDValue_t *ev = nullptr;
        unsigned n = 0;
        if (ZEVAHV_GetEventData(fd, &st, &ev, &n) != 0) std::exit(1);
        ++frames;
        for (unsigned i = 0; i < n; ++i) {
            if (ev[i].Type != ZEVAHV_EVENT_PARAMETER) continue;
            auto &c = per_item[{ev[i].BoardIndex, ev[i].ChannelIndex}];
            (std::strcmp(ev[i].Item, "VMon") == 0 ? c.first : c.second)++;
            ++records;
        }
        ZEVAHV_FreeEventData(&ev);
    }
    const double cpu = thread_cpu() - c0;
    long fewest = 1L << 40, most = 0;
    for (auto &[k, c] : per_item) {
        fewest = std::min({fewest, c.first, c.second});
        most = std::max({most, c.first, c.second});
    }
    std::printf("full crate, 1536 items changing every second, %d s: %ld records in %ld frames"
                " (%zu channels heard), per item %ld..%ld records (expected about %d each: %s),"
                " reader CPU %.3f ms per 1000 records\n",
                seconds, records, frames, per_item.size(), fewest, most, seconds,
                (per_item.size() == 768 && fewest >= seconds - 1) ? "none lost" : "LOST",
                cpu / records * 1e6);
    close(fd), close(l);
    ZEVAHV_DeinitSystem(h);
}

}  // namespace

int main(int argc, char **argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    {
        SimChild sim;
        if (!sim.start({"mainframe", "--tcp", std::string(kHost) + ":0", "--crate", "full", "--tick", "10000",
                        "--keepalive", "600000"}))
            return 1;
        for (int items : {1, 48, 768})
            for (bool with_records : {false, true}) decode(sim, frames, items, with_records);
    }
    stream(seconds);
    return 0;
}
