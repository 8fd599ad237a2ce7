#include "frame/event_reader.h"

#include <cstdlib>
#include <vector>

#include "frame/event_frame.h"
#include "platform/tcp.h"

namespace zevahv {

namespace {

// How much of what has arrived one receive takes: some sixty frames of one
// record, or the first 64 KiB of a larger frame.
constexpr std::size_t kReadAhead = 64 * 1024;
// Scratch space grown beyond this for a large frame is given back after it.
constexpr std::size_t kKeepBytes = 1024 * 1024;

// Receives exactly len bytes, waiting at most wait_ms for each piece that
// is not there yet, so a peer that stops mid-frame cannot hang the reader.
// The caller's socket is left as it was: no option of it is changed.
bool receive_exact(int sock, void *buf, std::size_t len, int wait_ms) {
    auto *p = static_cast<unsigned char *>(buf);
    std::size_t got = 0;
    while (got < len) {
        const long n = platform::recv_ready(sock, p + got, len - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0 || !platform::last_error_is_timeout()) return false;  // closed or broken
        if (platform::wait_readable(sock, wait_ms) != 1) return false;   // stalled
    }
    return true;
}

// Hands out the records of the whole frames at the start of bytes (which
// the socket has already given up).
int hand_out(std::span<const unsigned char> bytes, IDValue_t **events, unsigned *count) {
    const std::size_t n = whole_frames(bytes).records;
    if (n == 0) return ZEVAHV_OK;
    auto *records = static_cast<IDValue_t *>(std::malloc(n * kEventRecordSize));
    if (records == nullptr) return ZEVAHV_ERR_NOMEMORY;
    *count = static_cast<unsigned>(decode_frames(bytes, records, n));
    *events = records;
    return ZEVAHV_OK;
}

// Receives the rest of the frame that begins at buf[at] (have bytes of it
// are there), growing buf to hold it; *end is where it ends.  0, or the
// reader's code for a stream that broke off or a header that is refused.
int complete_frame(int sock, std::vector<unsigned char> &buf, std::size_t at, std::size_t have,
                   int wait_ms, std::size_t *end) {
    if (have < kEventHeaderSize) {
        if (buf.size() < at + kEventHeaderSize) buf.resize(at + kEventHeaderSize);
        if (!receive_exact(sock, buf.data() + at + have, kEventHeaderSize - have, wait_ms))
            return ZEVAHV_ERR_SOCKETERROR;
        have = kEventHeaderSize;
    }
    std::uint32_t body = 0;
    if (int r = parse_event_header({buf.data() + at, kEventHeaderSize}, &body); r != ZEVAHV_OK)
        return r;
    const std::size_t total = kEventHeaderSize + body;
    if (buf.size() < at + total) buf.resize(at + total);
    if (!receive_exact(sock, buf.data() + at + have, total - have, wait_ms))
        return ZEVAHV_ERR_SOCKETERROR;
    *end = at + total;
    return ZEVAHV_OK;
}

}  // namespace

int read_local_event_frame(int sock, int wait_ms, IDValue_t **events, unsigned *count) {
    *events = nullptr;
    *count = 0;
    // The thread's scratch space; nothing in it outlives a call.
    thread_local std::vector<unsigned char> buf;
    if (buf.size() < kReadAhead) buf.resize(kReadAhead);

    // Whatever has arrived, up to kReadAhead; the beginning is waited for.
    long n = platform::recv_ready(sock, buf.data(), kReadAhead);
    if (n < 0 && platform::last_error_is_timeout()) {
        const int w = platform::wait_readable(sock, wait_ms);
        if (w == 0) return ZEVAHV_ERR_NODATA;
        if (w < 0) return ZEVAHV_ERR_SOCKETERROR;
        n = platform::recv_ready(sock, buf.data(), kReadAhead);
    }
    if (n <= 0) return ZEVAHV_ERR_SOCKETERROR;  // closed or broken
    std::size_t got = static_cast<std::size_t>(n);

    FrameRun run = whole_frames({buf.data(), got});
    int r = ZEVAHV_OK;
    if (run.bad_header) {
        // What follows a refused header is no frame: it is dropped.
        r = ZEVAHV_ERR_COMMUNICATIONERROR;
    } else if (run.bytes < got) {
        // The last receive ended inside a frame: the rest of it is on its
        // way (a sender writes frames whole) and is read to its end, never
        // further, so that the socket is left at the start of a frame.
        std::size_t end = 0;
        r = complete_frame(sock, buf, run.bytes, got - run.bytes, wait_ms, &end);
        if (r == ZEVAHV_OK) run = whole_frames({buf.data(), end});
    }
    // The frames that came whole are handed out even when the stream broke
    // off behind them; the break is answered by the next call.
    if (run.frames > 0) r = hand_out({buf.data(), run.bytes}, events, count);
    if (buf.size() > kKeepBytes) {
        buf.clear();
        buf.shrink_to_fit();
    }
    return r;
}

}  // namespace zevahv
