#include "modules/link.h"

#include <chrono>

#include "modules/protocol.h"
#include "platform/serial.h"
#include "platform/tcp.h"

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
    return fd_ >= 0;
}

// Drops whatever arrived after the last exchange ended (a late reply, the
// rest of a garbled one), so that the next reply read is the answer to the
// next command.
void Link::drain() {
    char buf[512];
    for (int rounds = 0; rounds < 256; ++rounds) {
        if (serial_) {
            if (platform::serial_read(fd_, buf, sizeof buf, 0) <= 0) return;
        } else {
            if (platform::wait_readable(fd_, 0) != 1) return;
            long n = platform::recv_some(fd_, buf, sizeof buf);
            if (n <= 0) {
                if (n == 0) peer_closed_ = true;
                return;
            }
        }
    }
}

int Link::exchange(std::string_view command, std::string *reply) {
    std::lock_guard<std::mutex> hold(lock_);
    reply->clear();
    if (fd_ < 0 && serial_) return 2;
    if (!serial_ && (peer_closed_ || fd_ < 0) && !reconnect()) return 2;
    drain();
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
    return read_line(reply);
}

int Link::read_line(std::string *reply) {
    constexpr std::size_t kMax = protocol::kLineSize - 1;
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
        if (lf != std::string_view::npos) return overflow ? 29 : 0;
        if (ms_until(deadline) == 0) break;
    }
    // Nothing at all, a line that stopped before its end, or one too long.
    return 29;
}

}  // namespace zevahv::modules
