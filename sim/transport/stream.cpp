#include "transport/stream.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace sim {

bool write_all(int fd, std::string_view bytes, bool is_socket) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = is_socket ? send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL)
                              : write(fd, bytes.data() + off, bytes.size() - off);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

void serve_stream(int fd, Simulator& sim, bool is_socket) {
    LineSplitter splitter;
    char buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        for (auto& line : splitter.feed(std::string_view(buf, static_cast<size_t>(n)))) {
            auto d = sim.on_line(line);
            if (!d) continue;
            if (d->delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(d->delay_ms));
            if (!d->bytes.empty() && !write_all(fd, d->bytes, is_socket)) return;
            if (d->close_after && is_socket) {
                shutdown(fd, SHUT_RDWR);
                return;
            }
        }
    }
}

} // namespace sim
