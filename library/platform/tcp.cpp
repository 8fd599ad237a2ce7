#include "platform/tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zevahv::platform {

namespace {

thread_local int t_last_error = 0;

int fail() {
    t_last_error = errno;
    return -1;
}

bool resolve_ipv4(const char *host, in_addr *out) {
    std::uint32_t a = 0;
    if (host == nullptr || !parse_ipv4(host, &a)) {
        errno = EINVAL;
        return false;
    }
    out->s_addr = htonl(a);
    return true;
}

// poll() that restarts after EINTR with the time that is left.
int poll_one(int fd, short events, int timeout_ms, short *revents) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
        int wait = -1;
        if (timeout_ms >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            wait = left < 0 ? 0 : static_cast<int>(left);
        }
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return fail();
        if (revents) *revents = p.revents;
        return r;
    }
}

}  // namespace

bool parse_ipv4(std::string_view text, std::uint32_t *address) {
    std::uint32_t a = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        unsigned v = 0;
        std::size_t digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4; ++i, ++digits)
            v = v * 10 + static_cast<unsigned>(text[i] - '0');
        if (digits == 0 || digits > 3 || v > 255) return false;
        a = (a << 8) | v;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
    }
    if (i != text.size()) return false;
    if (address != nullptr) *address = a;
    return true;
}

int last_error() { return t_last_error; }

bool last_error_is_timeout() {
    return t_last_error == EAGAIN || t_last_error == EWOULDBLOCK || t_last_error == ETIMEDOUT;
}

int tcp_connect(const char *host, unsigned short port, int timeout_ms, bool reuse_address) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (!resolve_ipv4(host, &addr.sin_addr)) {
        if (errno == 0) errno = EINVAL;
        return fail();
    }
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return fail();
    if (reuse_address) {
        int one = 1;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    }
    const int flags = ::fcntl(s, F_GETFL, 0);
    ::fcntl(s, F_SETFL, flags | O_NONBLOCK);
    int r = ::connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    if (r < 0 && errno != EINPROGRESS && errno != EINTR) {
        fail();
        ::close(s);
        errno = t_last_error;
        return -1;
    }
    if (r < 0) {
        short rev = 0;
        int w = poll_one(s, POLLOUT, timeout_ms, &rev);
        int soerr = 0;
        socklen_t len = sizeof soerr;
        if (w == 0) {
            soerr = ETIMEDOUT;
        } else if (w < 0) {
            soerr = t_last_error;
        } else if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &soerr, &len) < 0) {
            soerr = errno;
        }
        if (soerr != 0) {
            ::close(s);
            errno = soerr;
            return fail();
        }
    }
    ::fcntl(s, F_SETFL, flags & ~O_NONBLOCK);
    int one = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return s;
}

long send_all(int sock, const void *data, std::size_t len) {
    const char *p = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < len) {
        ssize_t n = ::send(sock, p + done, len - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) fail();
            return done == 0 ? -1 : static_cast<long>(done);
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

int wait_readable(int fd, int timeout_ms) {
    short rev = 0;
    int r = poll_one(fd, POLLIN, timeout_ms, &rev);
    if (r <= 0) return r;
    if (rev & POLLNVAL) {
        errno = EBADF;
        return fail();
    }
    return 1;
}

namespace {

long recv_with(int sock, void *buf, std::size_t len, int flags) {
    for (;;) {
        ssize_t n = ::recv(sock, buf, len, flags);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail();
        return static_cast<long>(n);
    }
}

}  // namespace

long recv_some(int sock, void *buf, std::size_t len) { return recv_with(sock, buf, len, 0); }

long recv_ready(int sock, void *buf, std::size_t len) {
    return recv_with(sock, buf, len, MSG_DONTWAIT);
}

bool set_recv_timeout(int sock, int timeout_ms) {
    timeval tv{};
    if (timeout_ms > 0) {
        tv.tv_sec = timeout_ms / 1000;
        tv.tv_usec = (timeout_ms % 1000) * 1000;
    }
    if (::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) < 0) {
        fail();
        return false;
    }
    return true;
}

bool peer_address(int sock, std::string *address, unsigned short *port) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getpeername(sock, reinterpret_cast<sockaddr *>(&ss), &len) < 0) {
        fail();
        return false;
    }
    if (ss.ss_family != AF_INET) {
        t_last_error = EAFNOSUPPORT;
        return false;
    }
    const auto *in = reinterpret_cast<const sockaddr_in *>(&ss);
    const auto *b = reinterpret_cast<const unsigned char *>(&in->sin_addr.s_addr);
    if (address) {
        *address = std::to_string(b[0]) + '.' + std::to_string(b[1]) + '.' +
                   std::to_string(b[2]) + '.' + std::to_string(b[3]);
    }
    if (port) *port = ntohs(in->sin_port);
    return true;
}

unsigned short local_port(int sock) {
    sockaddr_in in{};
    socklen_t len = sizeof in;
    if (::getsockname(sock, reinterpret_cast<sockaddr *>(&in), &len) < 0 || in.sin_family != AF_INET)
        return 0;
    return ntohs(in.sin_port);
}

void close_socket(int sock) {
    if (sock >= 0) ::close(sock);
}

void shutdown_socket(int sock) {
    if (sock >= 0) ::shutdown(sock, SHUT_RDWR);
}

int tcp_listen(const char *host, unsigned short port, int backlog, unsigned short *bound_port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (host == nullptr || *host == '\0') {
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
    } else if (!resolve_ipv4(host, &addr.sin_addr)) {
        return fail();
    }
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return fail();
    int one = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) < 0 ||
        ::listen(s, backlog) < 0) {
        fail();
        ::close(s);
        errno = t_last_error;
        return -1;
    }
    if (bound_port) *bound_port = local_port(s);
    return s;
}

int tcp_accept(int listen_sock, int timeout_ms) {
    int r = wait_readable(listen_sock, timeout_ms);
    if (r == 0) {
        errno = ETIMEDOUT;
        return fail();
    }
    if (r < 0) return -1;
    for (;;) {
        int s = ::accept4(listen_sock, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0 && errno == EINTR) continue;
        if (s < 0) return fail();
        return s;
    }
}

}  // namespace zevahv::platform
