#include "loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

std::string private_loopback_host() {
    // 127.<pid>.<n>: the process id keeps parallel test processes apart,
    // the counter keeps the crates of one process apart.
    static std::atomic<int> next{1};
    const int pid = static_cast<int>(getpid());
    const int n = next++;
    return "127." + std::to_string(40 + (pid >> 16) % 200) + "." + std::to_string((pid >> 8) & 255) +
           "." + std::to_string(1 + ((pid & 255) * 7 + n) % 253);
}

int listen_local(unsigned short* port, int backlog) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(fd);
        return -1;
    }
    *port = ntohs(a.sin_port);
    return fd;
}

int accept_within(int listen_fd, int ms) {
    if (listen_fd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left < 0) left = 0;
        pollfd pfd{listen_fd, POLLIN, 0};
        const int r = poll(&pfd, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return -1;
        const int c = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) return c;
        if (errno != EINTR && errno != ECONNABORTED) return -1;
    }
}
