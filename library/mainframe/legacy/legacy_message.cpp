#include "mainframe/legacy/legacy_message.h"

#include <cstring>

#include "ZEVAHVLink.h"

namespace zevahv::mainframe {

namespace {

constexpr std::uint8_t kAlwaysOne = 1;

// One event from its text flag on; false when it runs past the message.
bool parse_event(Cursor &in, LegacyEvent *e) {
    e->text = in.u8() != 0;
    if (in.u8() != kAlwaysOne) return false;
    in.u32();
    in.u32();
    e->id = in.u32();
    const std::size_t length = in.u16();
    in.u16();
    const Bytes value = in.take(length);
    if (!in.ok()) return false;
    if (e->text) {
        e->text_value = std::string_view(reinterpret_cast<const char *>(value.data()), value.size());
    } else {
        // A number shorter than 4 bytes reads as if padded at the front.
        for (std::size_t i = 0; i < value.size() && i < 4; ++i) e->number = (e->number << 8) | value[i];
    }
    return true;
}

}  // namespace

int parse_legacy_message(Bytes message, std::vector<LegacyEvent> *out) {
    if (message.size() < kLegacyMinMessage) return ZEVAHV_ERR_SYSERR;
    if (std::memcmp(message.data(), "ZEVA", 4) != 0) return ZEVAHV_ERR_NODATA;
    out->clear();
    if (message[4] == 1 && message[5] == 0) {
        Cursor in(message.subspan(6));
        LegacyEvent e;
        if (!parse_event(in, &e)) return ZEVAHV_ERR_NODATA;
        out->push_back(e);
        return ZEVAHV_OK;
    }
    Cursor in(message.subspan(6));
    const std::size_t length = in.u16();
    const std::size_t count = in.u16();
    if (length != message.size()) return ZEVAHV_ERR_NODATA;
    // Every event takes at least 18 bytes before its value.
    if (count * 18 > in.left()) return ZEVAHV_ERR_NODATA;
    out->reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        LegacyEvent e;
        if (!parse_event(in, &e)) return ZEVAHV_ERR_NODATA;
        out->push_back(e);
    }
    return ZEVAHV_OK;
}

}  // namespace zevahv::mainframe
