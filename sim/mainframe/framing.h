#pragma once
// Length-prefixed messages of the mainframe session: a 4-byte big-endian
// payload length (not counting itself), then the payload. The splitter
// collects received bytes and hands out whole payloads; a length above the
// limit marks the stream as broken, because nothing after it can be trusted.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim::mf {

// The largest request payload the server accepts. Requests are small (a
// 48-channel list is ~150 bytes); the limit only stops a hostile length
// from making the server wait for, or allocate, gigabytes.
constexpr uint32_t kMaxRequestPayload = 1u << 20;

class FrameSplitter {
public:
    // Feeds received bytes; returns the payloads completed by them.
    std::vector<std::string> feed(std::string_view bytes);
    // A length prefix above kMaxRequestPayload arrived.
    bool broken() const { return broken_; }
    // Bytes held for an incomplete message.
    size_t pending() const { return buf_.size(); }

private:
    std::string buf_;
    bool broken_ = false;
};

// The payload with its length prefix.
std::string frame(std::string_view payload);
// A prefix announcing `length` (which need not be the payload's: faults).
std::string length_prefix(uint32_t length);

} // namespace sim::mf
