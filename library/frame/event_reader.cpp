#include "frame/event_reader.h"

#include <cstdlib>

#include "frame/event_frame.h"
#include "platform/tcp.h"

namespace zevahv {

namespace {

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

}  // namespace

int read_local_event_frame(int sock, int wait_ms, IDValue_t **events, unsigned *count) {
    *events = nullptr;
    *count = 0;
    // The frame's beginning is waited for up to wait_ms (nothing: 23), but
    // only when it is not there already.
    unsigned char header[kEventHeaderSize];
    long first = platform::recv_ready(sock, header, sizeof header);
    if (first < 0 && platform::last_error_is_timeout()) {
        const int w = platform::wait_readable(sock, wait_ms);
        if (w == 0) return ZEVAHV_ERR_NODATA;
        if (w < 0) return ZEVAHV_ERR_SOCKETERROR;
        first = 0;
    } else if (first <= 0) {
        return ZEVAHV_ERR_SOCKETERROR;  // closed or broken
    }
    const auto got = static_cast<std::size_t>(first);
    if (!receive_exact(sock, header + got, sizeof header - got, wait_ms))
        return ZEVAHV_ERR_SOCKETERROR;
    std::uint32_t body = 0;
    if (int r = parse_event_header(header, &body); r != ZEVAHV_OK) return r;

    const std::size_t n = event_record_count(body);
    IDValue_t *records = nullptr;
    if (n > 0) {
        // Whole records are received straight into the array handed out and
        // decoded where they lie.
        records = static_cast<IDValue_t *>(std::malloc(n * kEventRecordSize));
        if (records == nullptr) return ZEVAHV_ERR_NOMEMORY;
        if (!receive_exact(sock, records, n * kEventRecordSize, wait_ms)) {
            std::free(records);
            return ZEVAHV_ERR_SOCKETERROR;
        }
    }
    // A trailing part record is read (to keep the stream at the next frame)
    // and dropped.
    unsigned char rest[kEventRecordSize];
    if (!receive_exact(sock, rest, body - n * kEventRecordSize, wait_ms)) {
        std::free(records);
        return ZEVAHV_ERR_SOCKETERROR;
    }
    for (std::size_t i = 0; i < n; ++i) {
        decode_event_record(
            std::span<const unsigned char>(reinterpret_cast<const unsigned char *>(&records[i]),
                                           kEventRecordSize),
            &records[i]);
    }
    *events = records;
    *count = static_cast<unsigned>(n);
    return ZEVAHV_OK;
}

}  // namespace zevahv
