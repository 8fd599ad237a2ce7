#include "mainframe/server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "mainframe/framing.h"

namespace sim::mf {

namespace {

bool send_all(int fd, const std::string& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

void serve_client(int fd, std::string peer, Mainframe& mf) {
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
            if (!out.bytes.empty() && !send_all(fd, out.bytes)) open = false;
            if (out.close_after) open = false;
            if (!open) break;
        }
        // A length no request can have: nothing after it can be trusted.
        if (splitter.broken()) break;
    }
    mf.close_connection(conn);
    shutdown(fd, SHUT_RDWR);
    close(fd);
}

} // namespace

void serve_requests(int listen_fd, Mainframe& mf) {
    std::thread([listen_fd, &mf] {
        for (;;) {
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            int c = accept4(listen_fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
            if (c < 0) {
                if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE)
                    continue;
                return;
            }
            int one = 1;
            setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            char host[INET_ADDRSTRLEN] = "127.0.0.1";
            inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
            std::thread(serve_client, c, std::string(host), std::ref(mf)).detach();
        }
    }).detach();
}

} // namespace sim::mf
