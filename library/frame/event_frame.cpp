#include "frame/event_frame.h"

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
    IDValue_t in{};
    if (record.size() >= kEventRecordSize) std::memcpy(&in, record.data(), kEventRecordSize);

    IDValue_t v{};
    v.Type = ZEVAHV_EVENT_PARAMETER;
    v.SystemHandle = in.SystemHandle;
    v.BoardIndex = in.BoardIndex;
    v.ChannelIndex = in.ChannelIndex;
    std::memcpy(v.Item, in.Item, sizeof v.Item - 1);
    switch (in.Type) {
    case ZEVAHV_PARAM_TYPE_NUMERIC:
    case ZEVAHV_PARAM_TYPE_ONOFF:
    case ZEVAHV_PARAM_TYPE_CHSTATUS:
    case ZEVAHV_PARAM_TYPE_BDSTATUS:
    case ZEVAHV_PARAM_TYPE_BINARY:
    case ZEVAHV_PARAM_TYPE_ENUM:
        std::memcpy(v.Value, in.Value, 4);  // a float or a 32-bit integer
        break;
    case ZEVAHV_PARAM_TYPE_STRING: {
        const std::size_t n = strnlen(in.Value, sizeof in.Value - 1);
        std::memcpy(v.Value, in.Value, n);
        break;
    }
    default:
        break;  // commands and unknown codes carry nothing
    }
    std::memcpy(out, &v, sizeof v);
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
