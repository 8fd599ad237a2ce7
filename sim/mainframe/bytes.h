#pragma once
// Big-endian numbers and ":"-separated fields of the mainframe protocol:
// a bounds-checked reader over received bytes and an appending writer.
// Every read checks what is left; nothing is ever read past the end.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim::mf {

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : b_(bytes) {}

    size_t left() const { return b_.size() - pos_; }
    size_t pos() const { return pos_; }
    bool at_end() const { return pos_ == b_.size(); }
    std::string_view rest() const { return b_.substr(pos_); }

    std::optional<uint8_t> u8();
    std::optional<uint16_t> u16();
    std::optional<uint32_t> u32();
    // One ':' byte.
    bool colon();
    // Bytes up to the next ':' (or `end`), which is consumed; nothing when
    // neither is found.
    std::optional<std::string_view> text_until(char end = ':');
    // `n` bytes as they are.
    std::optional<std::string_view> take(size_t n);

private:
    std::string_view b_;
    size_t pos_ = 0;
};

class ByteWriter {
public:
    ByteWriter& u8(uint8_t v);
    ByteWriter& u16(uint16_t v);
    ByteWriter& u32(uint32_t v);
    ByteWriter& text(std::string_view t);
    ByteWriter& colon() { return u8(':'); }
    // A text in a fixed field, cut to fit and padded with NULs.
    ByteWriter& fixed(std::string_view t, size_t width);

    const std::string& bytes() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

} // namespace sim::mf
