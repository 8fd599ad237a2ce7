#include "frame/event_frame.h"

#include <cstddef>
#include <cstring>

namespace zevahv {

int parse_event_header(std::span<const unsigned char> header, std::uint32_t *body_size) {
    if (header.size() < kEventHeaderSize) return ZEVAHV_ERR_COMMUNICATIONERROR;
    if (std::memcmp(header.data(), "ZEVAHV", 6) != 0) return ZEVAHV_ERR_COMMUNICATIONERROR;
    const std::uint32_t total = (std::uint32_t{header[6]} << 24) |
                                (std::uint32_t{header[7]} << 16) |
                                (std::uint32_t{header[8]} << 8) | std::uint32_t{header[9]};
    if (total < kEventHeaderSize || total > kMaxEventFrameSize)
        return ZEVAHV_ERR_COMMUNICATIONERROR;
    *body_size = total - static_cast<std::uint32_t>(kEventHeaderSize);
    return ZEVAHV_OK;
}

void decode_event_record(std::span<const unsigned char> record, IDValue_t *out) {
    if (record.size() < kEventRecordSize) {
        std::memset(out, 0, sizeof *out);
        return;
    }
    // Everything but the value is read before anything is written: out may
    // be the very memory of the record.  The value stays at its offset.
    const unsigned char *p = record.data();
    int type, system, board, channel;
    char item[sizeof out->Item];
    std::memcpy(&type, p + offsetof(IDValue_t, Type), sizeof type);
    std::memcpy(&system, p + offsetof(IDValue_t, SystemHandle), sizeof system);
    std::memcpy(&board, p + offsetof(IDValue_t, BoardIndex), sizeof board);
    std::memcpy(&channel, p + offsetof(IDValue_t, ChannelIndex), sizeof channel);
    std::memcpy(item, p + offsetof(IDValue_t, Item), sizeof item - 1);
    item[sizeof item - 1] = '\0';

    const auto *value = reinterpret_cast<const char *>(p + offsetof(IDValue_t, Value));
    std::size_t keep = 0;  // leading bytes of the value that are copied
    switch (type) {
    case ZEVAHV_PARAM_TYPE_NUMERIC:
    case ZEVAHV_PARAM_TYPE_ONOFF:
    case ZEVAHV_PARAM_TYPE_CHSTATUS:
    case ZEVAHV_PARAM_TYPE_BDSTATUS:
    case ZEVAHV_PARAM_TYPE_BINARY:
    case ZEVAHV_PARAM_TYPE_ENUM:
        keep = 4;  // a float or a 32-bit integer
        break;
    case ZEVAHV_PARAM_TYPE_STRING:
        keep = strnlen(value, sizeof out->Value - 1);
        break;
    default:
        break;  // commands and unknown codes carry nothing
    }
    std::memmove(out->Value, value, keep);
    std::memset(out->Value + keep, 0, sizeof out->Value - keep);
    out->Type = ZEVAHV_EVENT_PARAMETER;
    out->SystemHandle = system;
    out->BoardIndex = board;
    out->ChannelIndex = channel;
    std::memcpy(out->Item, item, sizeof item);
}

namespace {

// Walks the whole frames at the start of bytes, calling f(offset of the
// body, body size) for each.
template <typename F>
FrameRun walk_frames(std::span<const unsigned char> bytes, F &&f) {
    FrameRun run;
    while (bytes.size() - run.bytes >= kEventHeaderSize) {
        std::uint32_t body = 0;
        if (parse_event_header(bytes.subspan(run.bytes, kEventHeaderSize), &body) != ZEVAHV_OK) {
            run.bad_header = true;
            break;
        }
        if (bytes.size() - run.bytes - kEventHeaderSize < body) break;
        f(run.bytes + kEventHeaderSize, body);
        run.bytes += kEventHeaderSize + body;
        run.records += event_record_count(body);
        ++run.frames;
    }
    return run;
}

}  // namespace

FrameRun whole_frames(std::span<const unsigned char> bytes) {
    return walk_frames(bytes, [](std::size_t, std::uint32_t) {});
}

std::size_t decode_frames(std::span<const unsigned char> bytes, IDValue_t *out,
                          std::size_t capacity) {
    std::size_t written = 0;
    walk_frames(bytes, [&](std::size_t body_at, std::uint32_t body) {
        const std::size_t n = event_record_count(body);
        for (std::size_t i = 0; i < n && written < capacity; ++i)
            decode_event_record(bytes.subspan(body_at + i * kEventRecordSize, kEventRecordSize),
                                &out[written++]);
    });
    return written;
}

bool encode_event_header(std::size_t record_count, unsigned char *out) {
    if (record_count > (kMaxEventFrameSize - kEventHeaderSize) / kEventRecordSize) return false;
    const auto total = static_cast<std::uint32_t>(kEventHeaderSize + record_count * kEventRecordSize);
    std::memcpy(out, "ZEVAHV", 6);
    out[6] = static_cast<unsigned char>(total >> 24);
    out[7] = static_cast<unsigned char>(total >> 16);
    out[8] = static_cast<unsigned char>(total >> 8);
    out[9] = static_cast<unsigned char>(total);
    return true;
}

void encode_event_record(const IDValue_t &value, int type_code, unsigned char *out) {
    IDValue_t wire = value;
    wire.Type = type_code;
    std::memcpy(out, &wire, sizeof wire);
}

}  // namespace zevahv
