#include "mainframe/bytes.h"

namespace sim::mf {

std::optional<uint8_t> ByteReader::u8() {
    if (left() < 1) return std::nullopt;
    return static_cast<uint8_t>(b_[pos_++]);
}

std::optional<uint16_t> ByteReader::u16() {
    if (left() < 2) return std::nullopt;
    auto hi = static_cast<uint8_t>(b_[pos_]), lo = static_cast<uint8_t>(b_[pos_ + 1]);
    pos_ += 2;
    return static_cast<uint16_t>(hi << 8 | lo);
}

std::optional<uint32_t> ByteReader::u32() {
    if (left() < 4) return std::nullopt;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(b_[pos_ + i]);
    pos_ += 4;
    return v;
}

bool ByteReader::colon() {
    if (left() < 1 || b_[pos_] != ':') return false;
    ++pos_;
    return true;
}

std::optional<std::string_view> ByteReader::text_until(char end) {
    auto at = b_.find(end, pos_);
    if (at == std::string_view::npos) return std::nullopt;
    auto t = b_.substr(pos_, at - pos_);
    pos_ = at + 1;
    return t;
}

std::optional<std::string_view> ByteReader::take(size_t n) {
    if (left() < n) return std::nullopt;
    auto t = b_.substr(pos_, n);
    pos_ += n;
    return t;
}

ByteWriter& ByteWriter::u8(uint8_t v) {
    out_.push_back(static_cast<char>(v));
    return *this;
}

ByteWriter& ByteWriter::u16(uint16_t v) {
    out_.push_back(static_cast<char>(v >> 8));
    out_.push_back(static_cast<char>(v & 0xFF));
    return *this;
}

ByteWriter& ByteWriter::u32(uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out_.push_back(static_cast<char>((v >> s) & 0xFF));
    return *this;
}

ByteWriter& ByteWriter::text(std::string_view t) {
    out_.append(t);
    return *this;
}

ByteWriter& ByteWriter::fixed(std::string_view t, size_t width) {
    t = t.substr(0, width);
    out_.append(t);
    out_.append(width - t.size(), '\0');
    return *this;
}

} // namespace sim::mf
