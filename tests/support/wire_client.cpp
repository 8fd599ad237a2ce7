#include "wire_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

std::optional<WireClient> WireClient::tcp(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return std::nullopt;
    }
    return WireClient(fd);
}

std::optional<WireClient> WireClient::local(const std::string& path) {
    sockaddr_un a{};
    if (path.size() >= sizeof a.sun_path) return std::nullopt;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    a.sun_family = AF_UNIX;
    path.copy(a.sun_path, path.size());
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return std::nullopt;
    }
    return WireClient(fd);
}

std::optional<WireClient> WireClient::serial(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return WireClient(fd);
}

WireClient::~WireClient() {
    if (fd_ >= 0) close(fd_);
}

bool WireClient::send(const std::string& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = write(fd_, bytes.data() + off, bytes.size() - off);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> WireClient::read_line(int timeout_ms, size_t max) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    partial_.clear();
    for (;;) {
        auto nl = buffered_.find('\n');
        if (nl != std::string::npos && nl < max) {
            std::string line = buffered_.substr(0, nl + 1);
            buffered_.erase(0, nl + 1);
            return line;
        }
        if (buffered_.size() > max) {
            partial_ = buffered_;
            buffered_.clear();
            return std::nullopt;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            partial_ = buffered_;
            return std::nullopt;
        }
        pollfd p{fd_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue; // re-checks the deadline
        char buf[8192];
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            partial_ = buffered_;
            return std::nullopt;
        }
        buffered_.append(buf, static_cast<size_t>(n));
    }
}

std::optional<std::string> WireClient::ask(const std::string& line, int timeout_ms) {
    if (!send_line(line)) return std::nullopt;
    auto r = read_line(timeout_ms);
    if (!r) return std::nullopt;
    while (!r->empty() && (r->back() == '\n' || r->back() == '\r')) r->pop_back();
    return r;
}

bool WireClient::closed_within(int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char buf[1024];
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n == 0) return true;
        if (n < 0 && errno != EINTR) return true; // reset
        if (n > 0) buffered_.append(buf, static_cast<size_t>(n));
    }
}
