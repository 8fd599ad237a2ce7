#include "mainframe/framing.h"

#include "mainframe/bytes.h"

namespace sim::mf {

std::vector<std::string> FrameSplitter::feed(std::string_view bytes) {
    std::vector<std::string> out;
    if (broken_) return out;
    buf_.append(bytes);
    size_t pos = 0;
    while (buf_.size() - pos >= 4) {
        ByteReader r(std::string_view(buf_).substr(pos, 4));
        uint32_t len = *r.u32();
        if (len > kMaxRequestPayload) {
            broken_ = true;
            buf_.clear();
            return out;
        }
        if (buf_.size() - pos - 4 < len) break;
        out.emplace_back(buf_, pos + 4, len);
        pos += 4 + len;
    }
    buf_.erase(0, pos);
    return out;
}

std::string length_prefix(uint32_t length) { return ByteWriter().u32(length).take(); }

std::string frame(std::string_view payload) {
    std::string out = length_prefix(static_cast<uint32_t>(payload.size()));
    out.append(payload);
    return out;
}

} // namespace sim::mf
