// The event frame that the polling threads send to a client's event port:
//   "ZEVAHV" (6 bytes, no NUL), total frame length (4 bytes, big-endian,
//   header included), then whole 1060-byte records in host byte order.
// A record has the layout of IDValue_t, except that its first field holds
// the parameter type code, which says how the value is to be copied.
//
// Pure functions over bytes: no sockets, so that tests and fuzzers reach
// them directly.  Nothing here trusts a length or a terminator it was sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "ZEVAHVLink.h"

namespace zevahv {

constexpr std::size_t kEventHeaderSize = 10;
constexpr std::size_t kEventRecordSize = sizeof(IDValue_t);
// A frame announcing more than this is refused instead of allocated.
constexpr std::uint32_t kMaxEventFrameSize = 16u * 1024u * 1024u;

static_assert(kEventRecordSize == 1060, "event record layout");

// Checks a frame header.  0 and the body size (frame length minus the
// header), or 29 for a wrong magic, a length below the header size, a
// length above kMaxEventFrameSize, or fewer than 10 bytes.
int parse_event_header(std::span<const unsigned char> header, std::uint32_t *body_size);

// Whole records in a body of that size (a trailing part record is dropped).
inline std::size_t event_record_count(std::size_t body_size) {
    return body_size / kEventRecordSize;
}

// Decodes one record (the first kEventRecordSize bytes of the span; fewer
// bytes decode to a zero record) into out, which may be the very memory of
// the record: system, board, channel and item are copied, the kind set to 0
// and the value copied by the record's type code: 0 as float, 5 as text up
// to its NUL, 1 to 4 and 6 as 4-byte integers, anything else carries no
// value.  Item and text are always NUL-terminated.
void decode_event_record(std::span<const unsigned char> record, IDValue_t *out);

// The whole frames at the start of a run of bytes received from an event
// connection: the bytes they take, the records they hold and how many there
// are.  The walk stops before the first frame that is not all there, or at a
// complete header that parse_event_header refuses (bad_header).
struct FrameRun {
    std::size_t bytes = 0;
    std::size_t records = 0;
    std::size_t frames = 0;
    bool bad_header = false;
};
FrameRun whole_frames(std::span<const unsigned char> bytes);

// Decodes the records of the whole frames at the start of bytes (as
// whole_frames finds them) into out, at most capacity of them; returns how
// many it wrote.
std::size_t decode_frames(std::span<const unsigned char> bytes, IDValue_t *out,
                          std::size_t capacity);

// Writes the header of a frame of record_count records into out[0..9].
// False when such a frame would exceed kMaxEventFrameSize.
bool encode_event_header(std::size_t record_count, unsigned char *out);

// Copies a record into wire form: the first field becomes the type code.
void encode_event_record(const IDValue_t &value, int type_code, unsigned char *out);

}  // namespace zevahv
