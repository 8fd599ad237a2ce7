#include "transport/tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "transport/stream.h"

namespace sim {

int tcp_listen(const std::string& host, int port, int& bound_port, std::string& error) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 64) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " +
                std::strerror(errno);
        close(fd);
        return -1;
    }
    bound_port = ntohs(a.sin_port);
    return fd;
}

void tcp_accept_loop(int listen_fd, std::function<void(int fd, const std::string& peer)> serve) {
    std::thread([listen_fd, serve = std::move(serve)] {
        for (;;) {
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            int c = accept4(listen_fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
            if (c < 0) {
                if (errno == EMFILE || errno == ENFILE)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10)); // until one closes
                if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE)
                    continue;
                return;
            }
            int one = 1;
            setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            char host[INET_ADDRSTRLEN] = "";
            inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
            std::thread([c, serve, who = std::string(host)] {
                serve(c, who);
                close(c);
            }).detach();
        }
    }).detach();
}

void tcp_serve(int listen_fd, Simulator& sim) {
    tcp_accept_loop(listen_fd, [&sim](int fd, const std::string&) { serve_stream(fd, sim, true); });
}

} // namespace sim
