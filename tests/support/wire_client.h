#pragma once
// A raw client of the module command language for tests that check bytes on
// the wire: a TCP connection or an opened pseudo-terminal, line writes, and
// bounded reads with a time-out.

#include <optional>
#include <string>

class WireClient {
public:
    static std::optional<WireClient> tcp(int port);               // 127.0.0.1
    static std::optional<WireClient> serial(const std::string& path); // raw mode
    static std::optional<WireClient> local(const std::string& path);  // a local socket
    static WireClient adopt(int fd) { return WireClient(fd); }        // closed with it
    WireClient(WireClient&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    WireClient& operator=(WireClient&&) = delete;
    WireClient(const WireClient&) = delete;
    ~WireClient();

    bool send(const std::string& bytes);           // written as given
    bool send_line(const std::string& line) { return send(line + "\r\n"); }
    // Bytes up to and including the next LF; nothing on time-out, end of
    // stream or more than `max` bytes without a line end (what was read is in
    // last_partial()).
    std::optional<std::string> read_line(int timeout_ms, size_t max = 1 << 20);
    // Sends a line and reads the reply line without its "\r\n".
    std::optional<std::string> ask(const std::string& line, int timeout_ms = 5000);
    // True when the peer closed the stream within the time-out.
    bool closed_within(int timeout_ms);
    const std::string& last_partial() const { return partial_; }
    int fd() const { return fd_; }

private:
    explicit WireClient(int fd) : fd_(fd) {}
    int fd_ = -1;
    std::string buffered_;
    std::string partial_;
};
