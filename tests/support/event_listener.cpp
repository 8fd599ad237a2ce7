#include "event_listener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

EventListener::EventListener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        ADD_FAILURE() << "socket: " << errno;
        return;
    }
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 8) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1: " << errno;
        close(fd_);
        fd_ = -1;
        return;
    }
    port_ = ntohs(a.sin_port);
}

EventListener::~EventListener() {
    if (fd_ >= 0) close(fd_);
}

int EventListener::accept_one(int timeout_ms) {
    if (fd_ < 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left < 0) left = 0;
        pollfd pfd{fd_, POLLIN, 0};
        int r = poll(&pfd, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return -1;
        int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) return c;
        if (errno != EINTR && errno != ECONNABORTED) return -1;
    }
}

std::string EventListener::read_ident(int fd, int timeout_ms) {
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (text.size() < 1024) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left < 0) break;
        pollfd pfd{fd, POLLIN, 0};
        int r = poll(&pfd, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        char c;
        ssize_t n = recv(fd, &c, 1, 0); // byte by byte: never read past the NUL
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c == '\0') break;
        text.push_back(c);
    }
    return text;
}
