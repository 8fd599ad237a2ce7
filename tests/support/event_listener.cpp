#include "event_listener.h"

#include "loopback.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

EventListener::EventListener() {
    fd_ = listen_local(&port_, 8);
    if (fd_ < 0) ADD_FAILURE() << "cannot listen on 127.0.0.1: " << errno;
}

EventListener::~EventListener() {
    if (fd_ >= 0) close(fd_);
}

int EventListener::accept_one(int timeout_ms) { return accept_within(fd_, timeout_ms); }

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
