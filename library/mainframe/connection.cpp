#include "mainframe/connection.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/socket.h>

#include "ZEVAHVLink.h"
#include "mainframe/generation.h"
#include "platform/tcp.h"
#include "trace/trace.h"

namespace zevahv::mainframe {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

int Connection::connect(const std::string &host, unsigned short port) {
    disconnect();
    down_ = false;
    out_of_step_ = false;
    sock_ = platform::tcp_connect(host.c_str(), port, kConnectTimeoutMs, true);
    if (sock_ < 0) {
        const int err = platform::last_error();
        if (err == ETIMEDOUT) return fail(ZEVAHV_ERR_TIMEERR, kTextTimeout);
        return fail_os(ZEVAHV_ERR_SYSERR);
    }
    return fail(ZEVAHV_OK, kTextOk);
}

void Connection::disconnect() {
    platform::close_socket(sock_);
    sock_ = -1;
    inlen_ = inpos_ = 0;
}

const Command *Connection::command(std::string_view name) const {
    return find_command(name, generation->commands);
}

Request Connection::request(const Command &cmd, bool has_args) const {
    return Request(cmd.name, cmd.in_session ? static_cast<long long>(session) : -1, has_args);
}

int Connection::fail(int code, const char *text) {
    result_ = static_cast<std::int16_t>(code);
    std::snprintf(error_, sizeof error_, "%s", text);
    return code;
}

int Connection::fail_os(int code) {
    char text[64];
    std::snprintf(text, sizeof text, "Operating System Error: %d", platform::last_error());
    return fail(code, text);
}

DescriptionRef Connection::description() const {
    std::lock_guard<std::mutex> lk(description_mutex_);
    return description_;
}

void Connection::set_description(DescriptionRef d) {
    DescriptionRef old;
    {
        std::lock_guard<std::mutex> lk(description_mutex_);
        old = std::move(description_);
        description_ = std::move(d);
    }
    // old is released here, outside the lock; a reader that still holds it
    // keeps it alive until its frame is done.
}

void Connection::discard_unread() {
    if (inlen_ > inpos_)
        trace::binary(name, "late", trace::Dir::In, inbuf_.data() + inpos_, inlen_ - inpos_, 0);
    inlen_ = inpos_ = 0;
    if (!out_of_step_) return;
    // What a late or cut reply left on the socket belongs to no request.
    unsigned char sink[4096];
    for (;;) {
        const ssize_t n = ::recv(sock_, sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0) {
            trace::binary(name, "late", trace::Dir::In, sink, static_cast<std::size_t>(n), 0);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    out_of_step_ = false;
}

int Connection::send_request(const std::vector<unsigned char> &bytes) {
    const long sent = platform::send_all(sock_, bytes.data(), bytes.size());
    if (sent != static_cast<long>(bytes.size())) {
        if (sent > 0) out_of_step_ = true;
        return fail_os(ZEVAHV_ERR_WRITE);
    }
    return ZEVAHV_OK;
}

int Connection::fill(std::size_t n) {
    while (inlen_ - inpos_ < n) {
        const int w = platform::wait_readable(sock_, kReplyTimeoutMs);
        if (w == 0) {
            out_of_step_ = true;
            return fail(ZEVAHV_ERR_TIMEERR, kTextTimeout);
        }
        if (w < 0) return fail_os(ZEVAHV_ERR_READ);
        if (inpos_ > 0) {
            std::memmove(inbuf_.data(), inbuf_.data() + inpos_, inlen_ - inpos_);
            inlen_ -= inpos_;
            inpos_ = 0;
        }
        if (inbuf_.size() < std::max(n, kReadChunk)) inbuf_.resize(std::max(n, kReadChunk));
        const ssize_t got =
            ::recv(sock_, inbuf_.data() + inlen_, inbuf_.size() - inlen_, MSG_DONTWAIT);
        if (got > 0) {
            inlen_ += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0) {
            down_ = true;
            return fail(ZEVAHV_ERR_DOWN, kTextDown);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        out_of_step_ = true;
        char text[64];
        std::snprintf(text, sizeof text, "Operating System Error: %d", errno);
        return fail(ZEVAHV_ERR_READ, text);
    }
    return ZEVAHV_OK;
}

int Connection::read_reply(std::vector<unsigned char> *payload) {
    if (int r = fill(4); r != ZEVAHV_OK) return r;
    const std::uint32_t length = get_be32(inbuf_.data() + inpos_);
    if (length > kMaxReplySize) {
        // No such reply exists; what follows cannot be told from the next
        // reply, so it is drained before the next request.
        out_of_step_ = true;
        return fail(ZEVAHV_ERR_NOMEMORY, kTextNoMemory);
    }
    if (int r = fill(4 + std::size_t{length}); r != ZEVAHV_OK) return r;
    const auto *start = inbuf_.data() + inpos_ + 4;
    payload->assign(start, start + length);
    inpos_ += 4 + std::size_t{length};
    return ZEVAHV_OK;
}

int Connection::transact(const Command &cmd, Request &req, Reply *out, bool check) {
    if (sock_ < 0) return fail(ZEVAHV_ERR_DOWN, kTextDown);
    // Once the mainframe has hung up, every request gets the same answer.
    if (down_) return fail(ZEVAHV_ERR_DOWN, kTextDown);
    discard_unread();
    const int sent = send_request(req.finish());
    if (trace::on()) {
        const std::vector<unsigned char> shown = req.shown();
        trace::binary(name, "request", trace::Dir::Out, shown.data(), shown.size(), sent);
    }
    if (sent != ZEVAHV_OK) return sent;
    Reply reply;
    try {
        const int r = read_reply(&reply.payload);
        trace_reply(reply.payload, r);
        if (r != ZEVAHV_OK) return r;
    } catch (const std::bad_alloc &) {
        out_of_step_ = true;
        return fail(ZEVAHV_ERR_NOMEMORY, kTextNoMemory);
    }
    if (!check) return ZEVAHV_OK;
    if (parse_reply(reply.payload, cmd, &reply.header) != 0) {
        // A reply to something else (or no reply at all): nothing of it is
        // taken, and anything that follows it is stale.
        out_of_step_ = true;
        return fail(kReplyMismatch, kTextMismatch);
    }
    const std::string_view text = reply.header.text;
    result_ = reply.header.status;
    std::snprintf(error_, sizeof error_, "%.*s",
                  static_cast<int>(std::min(text.size(), kErrorTextSize - 1)), text.data());
    // A text may not hold a NUL the client would stop at early; it is cut there.
    if (reply.header.status != 0) return reply.header.status;
    if (out) *out = std::move(reply);
    return ZEVAHV_OK;
}

// The reply as it came (length and payload), or what had come of it when
// the read failed.
void Connection::trace_reply(const std::vector<unsigned char> &payload, int result) const {
    if (!trace::on()) return;
    if (result == ZEVAHV_OK) {
        const std::vector<unsigned char> framed = frame_payload(payload);
        trace::binary(name, "reply", trace::Dir::In, framed.data(), framed.size(), result);
    } else {
        trace::binary(name, "reply", trace::Dir::In, inbuf_.data() + inpos_, inlen_ - inpos_,
                      result);
    }
}

int Connection::simple(std::string_view name, Reply *out) {
    const Command *cmd = command(name);
    if (cmd == nullptr) return fail(ZEVAHV_ERR_NOTPRES, kTextMismatch);
    Request req = request(*cmd, false);
    return transact(*cmd, req, out);
}

}  // namespace zevahv::mainframe
