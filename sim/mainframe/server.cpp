#include "mainframe/server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "mainframe/framing.h"
#include "transport/stream.h"
#include "transport/tcp_server.h"

namespace sim::mf {

namespace {

void serve_client(int fd, const std::string& peer, Mainframe& mf) {
    uint64_t conn = mf.open_connection(fd, peer);
    FrameSplitter splitter;
    char buf[8192];
    bool open = true;
    while (open) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (auto& payload : splitter.feed(std::string_view(buf, static_cast<size_t>(n)))) {
            Outgoing out = mf.handle(conn, payload);
            if (out.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(out.delay_ms));
            if (!out.bytes.empty() && !write_all(fd, out.bytes)) open = false;
            if (out.close_after) open = false;
            if (!open) break;
        }
        // A length no request can have: nothing after it can be trusted.
        if (splitter.broken()) break;
    }
    // Forgotten before the socket closes, so that the control channel never
    // shuts down a descriptor number that another connection reuses.
    mf.close_connection(conn);
    shutdown(fd, SHUT_RDWR);
}

} // namespace

void serve_requests(int listen_fd, Mainframe& mf) {
    tcp_accept_loop(listen_fd, [&mf](int fd, const std::string& peer) { serve_client(fd, peer, mf); });
}

} // namespace sim::mf
