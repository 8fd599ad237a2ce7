// The bytes of the mainframe session protocol: big-endian numbers, a
// bounds-checked cursor over a reply, and the builder of a framed request.
//
// Every message travels as a 4-byte big-endian payload length followed by
// the payload.  A request payload is the command name, then (for commands
// that run inside a session) ":" and the 4-byte session number, then (when
// the command has arguments) ":" and the arguments, which are 16- and
// 32-bit big-endian numbers and texts without NUL, separated by ":".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zevahv::mainframe {

using Bytes = std::span<const unsigned char>;

inline std::uint16_t get_be16(const unsigned char *p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t get_be32(const unsigned char *p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
           (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}
inline void put_be32(unsigned char *p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// Reads fields off a byte span front to back.  Every read checks that the
// bytes are there; a failed read leaves the cursor failed for good, so a
// parser may read a whole layout and test ok() once at the end.
class Cursor {
public:
    explicit Cursor(Bytes data) : data_(data) {}

    bool ok() const { return ok_; }
    std::size_t left() const { return ok_ ? data_.size() - pos_ : 0; }
    std::size_t pos() const { return pos_; }
    bool at_end() const { return ok_ && pos_ == data_.size(); }

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    // The next n bytes (empty and failed when fewer are left).
    Bytes take(std::size_t n);
    // The next byte must be ':'.
    bool sep();
    // A text up to (not including) the next ':', which is consumed.
    std::string_view text_to_sep();
    // A text up to the next NUL (consumed) or the end of the data.
    std::string_view text_to_nul();
    // Everything that is left, as text.
    std::string_view rest_text();
    void fail() { ok_ = false; }

private:
    Bytes data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Builds one framed request: the 4-byte length is written by finish().
class Request {
public:
    // session < 0: a command outside a session (no session number).
    Request(std::string_view command, long long session, bool has_args);

    Request &u16(std::uint16_t v);
    Request &u32(std::uint32_t v);
    Request &text(std::string_view t);
    // A text that the wire trace shows as '*' (a password).
    Request &secret(std::string_view t);
    Request &sep() { bytes_.push_back(':'); return *this; }
    // Replaces a trailing ':' by NUL (the item lists of the subscriptions end
    // that way), or appends one NUL when the last byte is not ':'.
    Request &end_with_nul();

    // The framed bytes: length prefix and payload.
    const std::vector<unsigned char> &finish();
    std::size_t payload_size() const { return bytes_.size() - 4; }
    // The framed bytes as the wire trace shows them (secrets masked).
    std::vector<unsigned char> shown() const;

private:
    std::vector<unsigned char> bytes_;
    std::size_t secret_at_ = 0, secret_size_ = 0;
};

// Frames a payload as it travels: 4-byte big-endian length, then the bytes.
std::vector<unsigned char> frame_payload(Bytes payload);

}  // namespace zevahv::mainframe
