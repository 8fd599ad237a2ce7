#include "mainframe/wire.h"

#include <cstring>

namespace zevahv::mainframe {

std::uint8_t Cursor::u8() {
    Bytes b = take(1);
    return b.empty() ? 0 : b[0];
}

std::uint16_t Cursor::u16() {
    Bytes b = take(2);
    return b.empty() ? 0 : get_be16(b.data());
}

std::uint32_t Cursor::u32() {
    Bytes b = take(4);
    return b.empty() ? 0 : get_be32(b.data());
}

Bytes Cursor::take(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
        ok_ = false;
        return {};
    }
    Bytes b = data_.subspan(pos_, n);
    pos_ += n;
    return b;
}

bool Cursor::sep() {
    if (!ok_ || pos_ >= data_.size() || data_[pos_] != ':') {
        ok_ = false;
        return false;
    }
    ++pos_;
    return true;
}

std::string_view Cursor::text_to_sep() {
    if (!ok_) return {};
    const auto *start = data_.data() + pos_;
    const void *colon = std::memchr(start, ':', data_.size() - pos_);
    if (colon == nullptr) {
        ok_ = false;
        return {};
    }
    const auto n = static_cast<std::size_t>(static_cast<const unsigned char *>(colon) - start);
    pos_ += n + 1;
    return {reinterpret_cast<const char *>(start), n};
}

std::string_view Cursor::text_to_nul() {
    if (!ok_) return {};
    const auto *start = data_.data() + pos_;
    const std::size_t avail = data_.size() - pos_;
    const void *nul = std::memchr(start, '\0', avail);
    const std::size_t n =
        nul ? static_cast<std::size_t>(static_cast<const unsigned char *>(nul) - start) : avail;
    pos_ += nul ? n + 1 : n;
    return {reinterpret_cast<const char *>(start), n};
}

std::string_view Cursor::rest_text() {
    if (!ok_) return {};
    std::string_view t(reinterpret_cast<const char *>(data_.data() + pos_), data_.size() - pos_);
    pos_ = data_.size();
    return t;
}

Request::Request(std::string_view command, long long session, bool has_args) {
    bytes_.reserve(64 + command.size());
    bytes_.resize(4);
    text(command);
    if (session >= 0) {
        sep();
        u32(static_cast<std::uint32_t>(session));
    }
    if (has_args) sep();
}

Request &Request::u16(std::uint16_t v) {
    bytes_.push_back(static_cast<unsigned char>(v >> 8));
    bytes_.push_back(static_cast<unsigned char>(v));
    return *this;
}

Request &Request::u32(std::uint32_t v) {
    unsigned char b[4];
    put_be32(b, v);
    bytes_.insert(bytes_.end(), b, b + 4);
    return *this;
}

Request &Request::text(std::string_view t) {
    bytes_.insert(bytes_.end(), t.begin(), t.end());
    return *this;
}

Request &Request::secret(std::string_view t) {
    secret_at_ = bytes_.size();
    secret_size_ = t.size();
    return text(t);
}

std::vector<unsigned char> Request::shown() const {
    std::vector<unsigned char> b = bytes_;
    for (std::size_t i = secret_at_; i < secret_at_ + secret_size_ && i < b.size(); ++i) b[i] = '*';
    return b;
}

Request &Request::end_with_nul() {
    if (bytes_.size() > 4 && bytes_.back() == ':')
        bytes_.back() = '\0';
    else
        bytes_.push_back('\0');
    return *this;
}

const std::vector<unsigned char> &Request::finish() {
    put_be32(bytes_.data(), static_cast<std::uint32_t>(bytes_.size() - 4));
    return bytes_;
}

std::vector<unsigned char> frame_payload(Bytes payload) {
    std::vector<unsigned char> out(4 + payload.size());
    put_be32(out.data(), static_cast<std::uint32_t>(payload.size()));
    if (!payload.empty()) std::memcpy(out.data() + 4, payload.data(), payload.size());
    return out;
}

}  // namespace zevahv::mainframe
