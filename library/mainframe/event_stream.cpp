#include "mainframe/event_stream.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/socket.h>
#include <vector>

#include "mainframe/event_frame.h"
#include "platform/tcp.h"
#include "trace/trace.h"

namespace zevahv::mainframe {

int read_exactly(int sock, unsigned char *buf, std::size_t n, int wait_ms) {
    std::size_t done = 0;
    while (done < n) {
        // Data that is already there is taken without a wait: under a
        // stream of frames that saves a system call per read.
        const ssize_t got = ::recv(sock, buf + done, n - done, MSG_DONTWAIT);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0) return ZEVAHV_ERR_SOCKETERROR;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return ZEVAHV_ERR_SOCKETERROR;
        const int w = platform::wait_readable(sock, wait_ms);
        if (w == 0) return ZEVAHV_ERR_NODATA;
        if (w < 0) return ZEVAHV_ERR_SOCKETERROR;
    }
    return ZEVAHV_OK;
}

int read_event_frame(Connection &c, int sock, ZEVAHV_SYSTEMSTATUS_t *status,
                     IDValue_t **events, unsigned *count) {
    *events = nullptr;
    *count = 0;
    unsigned char head[kFrameHeaderSize];
    if (int r = read_exactly(sock, head, sizeof head, kFrameWaitMs); r != ZEVAHV_OK) return r;
    FrameHeader h;
    if (int r = parse_frame_header(head, &h); r != ZEVAHV_OK) {
        trace::binary(c.name, "event", trace::Dir::In, head, sizeof head, r);
        return r;
    }
    *status = h.status;

    std::vector<unsigned char> body;
    try {
        body.resize(h.body_size);
    } catch (const std::bad_alloc &) {
        return ZEVAHV_ERR_NOMEMORY;
    }
    // The body is read whole even when no item is announced, so that the
    // next frame starts where it should.
    const int got = read_exactly(sock, body.data(), body.size(), kFrameWaitMs);
    if (trace::on()) {
        std::vector<unsigned char> frame(head, head + sizeof head);
        frame.insert(frame.end(), body.begin(), body.end());
        trace::binary(c.name, "event", trace::Dir::In, frame.data(), frame.size(), got);
    }
    if (got != ZEVAHV_OK) return got;
    if (h.items == 0) return ZEVAHV_OK;

    // Every item takes at least 8 bytes: a count beyond that is a lie and
    // must not size the allocation.
    if (h.items > body.size() / 8) return ZEVAHV_ERR_COMMUNICATIONERROR;
    auto *out = static_cast<IDValue_t *>(std::calloc(h.items, sizeof(IDValue_t)));
    if (out == nullptr) return ZEVAHV_ERR_NOMEMORY;
    std::size_t made = 0;
    int r;
    {
        // The description is held for this frame: a crate map read on
        // another thread may replace the connection's, never free this one.
        const DescriptionRef d = c.description();
        r = c.items.with_items([&](const ItemRegistry::Map &items, int handle) {
            return decode_frame_items(body, h.items, d.get(), items, handle, out, &made);
        });
    }
    if (r != ZEVAHV_OK) {
        std::free(out);
        return r;
    }
    *events = out;
    *count = static_cast<unsigned>(made);
    return ZEVAHV_OK;
}

}  // namespace zevahv::mainframe
