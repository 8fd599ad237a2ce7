// Event frames as a peer on the client's event port may send them, read
// through a real stream socket (one end of a socket pair) by the reader that
// ZEVAHV_GetEventData uses for the library's own polling threads: the input
// is written, the writing end closed, and frames are read until the reader
// reports an end.  Nothing may be read past the bytes the peer sent, no
// length from the wire may be trusted, and every record handed out must be
// terminated where the client will treat it as text.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include "frame/event_frame.h"
#include "frame/event_reader.h"
#include "fuzz_check.h"

namespace {

constexpr int kWaitMs = 50;
constexpr std::size_t kMaxInput = 1 << 16;  // fits the socket buffers below

// Writes as much of the input as the socket takes without blocking.
std::size_t feed(int fd, const std::uint8_t *data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::send(fd, data + done, size - done, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void check_record(const IDValue_t &r) {
    FUZZ_CHECK(r.Type == ZEVAHV_EVENT_PARAMETER);
    FUZZ_CHECK(std::memchr(r.Item, '\0', sizeof r.Item) != nullptr);
}

// The pure decoders on the same bytes, record by record.
void decode_directly(const std::uint8_t *data, std::size_t size) {
    std::uint32_t body = 0;
    if (zevahv::parse_event_header({data, size}, &body) != ZEVAHV_OK) return;
    FUZZ_CHECK(body + zevahv::kEventHeaderSize <= zevahv::kMaxEventFrameSize);
    const std::size_t have = size - zevahv::kEventHeaderSize;
    const std::size_t n = zevahv::event_record_count(std::min<std::size_t>(body, have));
    for (std::size_t i = 0; i < n; ++i) {
        IDValue_t out;
        zevahv::decode_event_record(
            {data + zevahv::kEventHeaderSize + i * zevahv::kEventRecordSize,
             zevahv::kEventRecordSize},
            &out);
        check_record(out);
    }
    // A run of frames: never past the bytes, and every record it counts is
    // decoded.
    const zevahv::FrameRun run = zevahv::whole_frames({data, size});
    FUZZ_CHECK(run.bytes <= size);
    FUZZ_CHECK(run.frames * zevahv::kEventHeaderSize + run.records * zevahv::kEventRecordSize <=
               run.bytes);
    if (run.records > 0 && run.records < 64) {
        IDValue_t out[64];
        FUZZ_CHECK(zevahv::decode_frames({data, run.bytes}, out, run.records) == run.records);
        for (std::size_t i = 0; i < run.records; ++i) check_record(out[i]);
    }
    // A short record decodes to nothing rather than past its end.
    IDValue_t part;
    zevahv::decode_event_record({data, std::min<std::size_t>(size, 100)}, &part);
    check_record(part);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > kMaxInput) size = kMaxInput;
    decode_directly(data, size);

    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return 0;
    int big = 4 * static_cast<int>(kMaxInput);
    ::setsockopt(sv[1], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    ::setsockopt(sv[0], SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    const std::size_t sent = feed(sv[1], data, size);
    ::close(sv[1]);

    std::size_t consumed = 0;
    for (int frames = 0; frames < 1000; ++frames) {
        IDValue_t *events = reinterpret_cast<IDValue_t *>(1);
        unsigned count = 12345;
        const int r = zevahv::read_local_event_frame(sv[0], kWaitMs, &events, &count);
        if (r != ZEVAHV_OK) {
            FUZZ_CHECK(r == ZEVAHV_ERR_NODATA || r == ZEVAHV_ERR_SOCKETERROR ||
                       r == ZEVAHV_ERR_COMMUNICATIONERROR || r == ZEVAHV_ERR_NOMEMORY);
            // A failed read hands nothing out.
            FUZZ_CHECK(events == nullptr && count == 0);
            break;
        }
        FUZZ_CHECK((events == nullptr) == (count == 0));
        // A call may hand out several frames: at least one header and the
        // records were taken off the socket.
        consumed += zevahv::kEventHeaderSize + std::size_t{count} * zevahv::kEventRecordSize;
        FUZZ_CHECK(consumed <= sent);
        for (unsigned i = 0; i < count; ++i) check_record(events[i]);
        std::free(events);
    }
    ::close(sv[0]);
    return 0;
}
