// TCP sockets for module links, mainframe connections and event frames.
//
// Sockets are plain int file descriptors (-1 = none), which is also what the
// public interface hands around as the event socket.  All functions retry on
// EINTR, never raise SIGPIPE, and leave errno set when they fail, so that a
// caller can print "Operating System Error: %d" with last_error().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zevahv::platform {

constexpr int kNoSocket = -1;

// errno of the last failed socket or serial call of this thread.
int last_error();

// A dotted IPv4 address text: four decimal numbers 0..255 of one to three
// digits joined by '.', nothing before or after.  The library takes
// addresses only in this form and never resolves host names: a lookup may
// block for an unbounded time and sends a query off the machine.  The
// address goes to *address in host byte order when it is not null.
bool parse_ipv4(std::string_view text, std::uint32_t *address = nullptr);

// Connects an IPv4 stream socket to host:port.  host is a dotted IPv4
// address (parse_ipv4); anything else fails at once with errno EINVAL,
// without a socket or a name lookup.  Gives up after
// timeout_ms (the socket is then closed and errno is ETIMEDOUT).  With
// reuse_address the socket gets SO_REUSEADDR before connecting.
// Returns the connected socket (blocking mode) or kNoSocket.
int tcp_connect(const char *host, unsigned short port, int timeout_ms,
                bool reuse_address = false);

// Sends all len bytes (looping over partial sends).  Returns len on success,
// or the number of bytes sent before the failure (so len > result means a
// failed or short send), or -1 when nothing could be sent.
long send_all(int sock, const void *data, std::size_t len);

// Waits until the socket (or any fd) is readable.  timeout_ms < 0 waits
// forever.  Returns 1 readable (data, end of stream or a pending error),
// 0 time-out, -1 error.
int wait_readable(int fd, int timeout_ms);

// One recv of at most len bytes.  Returns the count, 0 when the peer closed
// the stream, -1 on error (errno EAGAIN/EWOULDBLOCK after a receive time-out).
long recv_some(int sock, void *buf, std::size_t len);

// One recv of what is there already, without waiting (whatever the socket's
// blocking mode): as recv_some, and -1 with last_error_is_timeout() when
// nothing is there yet.
long recv_ready(int sock, void *buf, std::size_t len);

// True when a recv_some or recv_ready result of -1 was a receive time-out
// (or nothing there yet).
bool last_error_is_timeout();

// Sets the receive time-out (SO_RCVTIMEO); 0 = none.
bool set_recv_timeout(int sock, int timeout_ms);

// The peer's IPv4 address as "%d.%d.%d.%d" (false when the socket has no
// IPv4 peer).  The port goes to *port when port is not null.
bool peer_address(int sock, std::string *address, unsigned short *port = nullptr);

// The local port a socket is bound to (0 when unknown).
unsigned short local_port(int sock);

// Closes the socket (ignores kNoSocket).
void close_socket(int sock);

// Shuts both directions down without closing the descriptor: a thread
// blocked in recv on it wakes up with end of stream.
void shutdown_socket(int sock);

// An IPv4 listening socket on host:port (port 0 = the kernel picks one;
// host null or "" = all addresses, else a dotted IPv4 address).  The bound port goes to *bound_port.
// Returns the socket or kNoSocket.
int tcp_listen(const char *host, unsigned short port, int backlog,
               unsigned short *bound_port = nullptr);

// Accepts one connection, waiting at most timeout_ms (< 0 forever).
// Returns the connected socket or kNoSocket (errno ETIMEDOUT on time-out).
int tcp_accept(int listen_sock, int timeout_ms);

// Owns a socket and closes it at scope end.
class ScopedSocket {
public:
    ScopedSocket() = default;
    explicit ScopedSocket(int sock) : sock_(sock) {}
    ~ScopedSocket() { close_socket(sock_); }
    ScopedSocket(const ScopedSocket &) = delete;
    ScopedSocket &operator=(const ScopedSocket &) = delete;
    ScopedSocket(ScopedSocket &&o) noexcept : sock_(o.release()) {}
    ScopedSocket &operator=(ScopedSocket &&o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    int get() const { return sock_; }
    bool valid() const { return sock_ >= 0; }
    int release() { int s = sock_; sock_ = kNoSocket; return s; }
    void reset(int sock = kNoSocket) { close_socket(sock_); sock_ = sock; }

private:
    int sock_ = kNoSocket;
};

}  // namespace zevahv::platform
