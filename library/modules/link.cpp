#include "modules/link.h"

#include <chrono>
#include <cstring>

#include "modules/protocol.h"
#include "platform/serial.h"
#include "platform/tcp.h"
#include "trace/trace.h"

namespace zevahv::modules {

namespace {

using Clock = std::chrono::steady_clock;

int ms_until(Clock::time_point t) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

platform::SerialSettings settings_of(const LinkArgs &a) {
    platform::SerialSettings s;
    s.baud = effective_baud(a.baud);
    s.data_bits = a.data_bits;
    // 0 one stop bit, 1 one and a half, 2 two, anything else one.
    s.stop_bits = a.stop_bits == 1   ? platform::StopBits::OneAndHalf
                  : a.stop_bits == 2 ? platform::StopBits::Two
                                     : platform::StopBits::One;
    // Parity checking only for 1 (odd) and 3 (mark).
    s.parity = a.parity == 1   ? platform::Parity::Odd
               : a.parity == 3 ? platform::Parity::Mark
                               : platform::Parity::None;
    return s;
}

}  // namespace

std::string Link::key_of(const LinkArgs &args) {
    if (args.serial) return "serial:" + platform::serial_device_path(args.port_name);
    return "tcp:" + args.port_name;
}

std::shared_ptr<Link> Link::open(const LinkArgs &args) {
    std::shared_ptr<Link> link(new Link);
    link->serial_ = args.serial;
    link->key_ = key_of(args);
    if (args.serial) {
        link->fd_ = platform::serial_open(args.port_name, settings_of(args));
    } else {
        link->host_ = args.host;
        link->port_ = args.tcp_port;
        link->fd_ = platform::tcp_connect(args.host.c_str(), args.tcp_port, kTcpConnectMs);
    }
    if (link->fd_ < 0) return nullptr;
    return link;
}

Link::~Link() {
    if (fd_ < 0) return;
    if (serial_)
        platform::serial_close(fd_);
    else
        platform::close_socket(fd_);
}

bool Link::reconnect() {
    platform::close_socket(fd_);
    fd_ = platform::tcp_connect(host_.c_str(), port_, kTcpConnectMs);
    peer_closed_ = fd_ < 0;
    owed_ = quiet_ = false;  // a new connection owes nothing
    return fd_ >= 0;
}

// One read of whatever is there within wait_ms: the count, 0 for silence,
// -1 for a failed read or (TCP) a module that closed the connection.
long Link::read_chunk(char *buf, std::size_t len, int wait_ms) {
    if (serial_) return platform::serial_read(fd_, buf, len, wait_ms);
    const int r = platform::wait_readable(fd_, wait_ms);
    if (r == 0) return 0;
    if (r < 0) return -1;
    const long n = platform::recv_some(fd_, buf, len);
    if (n <= 0) {
        peer_closed_ = true;
        return -1;
    }
    return n;
}

// A read of bytes that belong to no exchange (they are dropped); the trace
// shows them as "late".
long Link::read_late(char *buf, std::size_t len, int wait_ms) {
    const long n = read_chunk(buf, len, wait_ms);
    if (n > 0) trace::text(key_, "late", trace::Dir::In, {buf, static_cast<std::size_t>(n)}, 0);
    return n;
}

// Drops whatever arrived after the last exchange ended (a late reply, the
// rest of a garbled one), so that the next reply read is the answer to the
// next command.  True when a line end was among it.
bool Link::drain() {
    char buf[512];
    bool line_end = false;
    for (int rounds = 0; rounds < 256; ++rounds) {
        const long n = read_late(buf, sizeof buf, 0);
        if (n <= 0) break;
        line_end = line_end || std::memchr(buf, '\n', static_cast<std::size_t>(n)) != nullptr;
    }
    return line_end;
}

// The replies carry no sequence number: a reply that comes after its
// exchange gave up would be read as the answer to the next command.  So
// before the next command goes out, the owed reply gets one more wait to
// arrive, and is dropped.  A module that stays silent through that wait is
// taken as gone quiet and not waited for again until it answers, so that a
// dead module costs one wait per exchange, not two.
void Link::skip_owed_reply() {
    owed_ = false;
    if (quiet_) return;
    const int wait = serial_ ? kSerialWaitMs : kTcpWaitMs;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReplyDeadlineMs);
    char buf[512];
    bool any = false;
    for (;;) {
        const long n = read_late(buf, sizeof buf, std::min(wait, ms_until(deadline)));
        if (n <= 0) break;
        any = true;
        if (std::memchr(buf, '\n', static_cast<std::size_t>(n)) != nullptr) {
            drain();
            return;
        }
        if (ms_until(deadline) == 0) return;
    }
    quiet_ = !any;
}

int Link::exchange(std::string_view command, std::string *reply) {
    std::lock_guard<std::mutex> hold(lock_);
    bool sent = false;
    const int r = exchange_locked(command, reply, &sent);
    // Traced under the link lock, so the lines of one link keep their order.
    trace::text(key_, "link", trace::Dir::Out, command, sent ? 0 : r);
    if (sent) trace::text(key_, "link", trace::Dir::In, *reply, r);
    return r;
}

int Link::exchange_locked(std::string_view command, std::string *reply, bool *sent) {
    reply->clear();
    if (fd_ < 0 && serial_) return 2;
    if (!serial_ && (peer_closed_ || fd_ < 0) && !reconnect()) return 2;
    if (drain()) owed_ = false;
    if (owed_) skip_owed_reply();
    if (!serial_ && peer_closed_ && !reconnect()) return 2;

    if (serial_) {
        long n = platform::serial_write(fd_, command.data(), command.size(), kSerialWaitMs);
        if (n < 0) return 2;
        if (static_cast<std::size_t>(n) != command.size()) return 29;
    } else {
        long n = platform::send_all(fd_, command.data(), command.size());
        if (n < 0 || static_cast<std::size_t>(n) != command.size()) {
            peer_closed_ = true;
            return 2;
        }
    }
    *sent = true;
    return read_line(reply);
}

int Link::read_line(std::string *reply) {
    constexpr std::size_t kMax = kLineSize - 1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReplyDeadlineMs);
    const int wait = serial_ ? kSerialWaitMs : kTcpWaitMs;
    char buf[kMax];
    bool overflow = false;
    for (;;) {
        int w = std::min(wait, ms_until(deadline));
        long n;
        if (serial_) {
            n = platform::serial_read(fd_, buf, sizeof buf, w);
            if (n < 0) return 3;
            if (n == 0) break;  // silence
        } else {
            int r = platform::wait_readable(fd_, w);
            if (r <= 0) break;  // silence (or a failed wait)
            n = platform::recv_some(fd_, buf, sizeof buf);
            if (n <= 0) {
                // The module closed the connection (or it broke): whatever
                // came is all there is.
                peer_closed_ = true;
                break;
            }
        }
        std::string_view chunk(buf, static_cast<std::size_t>(n));
        std::size_t lf = chunk.find('\n');
        std::string_view take = lf == std::string_view::npos ? chunk : chunk.substr(0, lf + 1);
        if (!overflow) {
            if (reply->size() + take.size() > kMax) {
                overflow = true;
                reply->clear();
            } else {
                reply->append(take);
            }
        }
        // Bytes after the line end belong to nothing we asked for; the next
        // exchange drains anything that is still coming.
        if (lf != std::string_view::npos) {
            quiet_ = false;
            return overflow ? 29 : 0;
        }
        if (ms_until(deadline) == 0) break;
    }
    // Nothing at all, a line that stopped before its end, or one too long:
    // the rest of it may still come.
    owed_ = !peer_closed_;
    return 29;
}

}  // namespace zevahv::modules
