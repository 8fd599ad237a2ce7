// Building the bytes a mainframe would send, for the parser tests.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "mainframe/wire.h"

struct WireBytes {
    std::vector<unsigned char> v;
    WireBytes &u8(unsigned x) { v.push_back(static_cast<unsigned char>(x)); return *this; }
    WireBytes &u16(unsigned x) { return u8(x >> 8).u8(x & 0xFF); }
    WireBytes &u32(std::uint32_t x) { return u16(x >> 16).u16(x & 0xFFFF); }
    WireBytes &s(std::string_view t) { v.insert(v.end(), t.begin(), t.end()); return *this; }
    WireBytes &c() { return u8(':'); }
    WireBytes &fixed(std::string_view t, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) u8(i < t.size() ? static_cast<unsigned char>(t[i]) : 0);
        return *this;
    }
    zevahv::mainframe::Bytes bytes() const { return v; }
    std::size_t size() const { return v.size(); }
};
